#include "sampling.h"

#include <algorithm>

namespace nesbar {

bool PatternPixels::Grey(int x, int y, int* grey) const {
  const size_t stride = static_cast<size_t>((width * bpp + 31) / 32) * 4;
  const uint8_t* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * (bpp / 8);
  if (bpp == 8) {
    *grey = p[0];
    return true;
  }
  *grey = (p[0] + p[1] + p[2]) / 3;
  return bpp != 32 || p[3] >= 128;
}

PatternStats ComputePatternStats(const PatternPixels& p) {
  PatternStats s;
  const int64_t count = static_cast<int64_t>(p.width) * p.height;
  if (count <= 0 || !p.pixels) return s;
  double sum = 0;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      int g = 0;
      if (!p.Grey(x, y, &g)) continue;
      ++s.histogram[g];
      sum += g / 255.0;
    }
  }
  s.mean = static_cast<float>(sum / count);
  double sq = 0;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      int g = 0;
      p.Grey(x, y, &g);
      sq += (g / 255.0 - s.mean) * (g / 255.0 - s.mean);
    }
  }
  s.sumSq = static_cast<float>(sq);
  return s;
}

SamplePoints SelectPatternSamplePoints(const PatternPixels& p, const PatternStats& s, int target, int maximum) {
  SamplePoints out;
  const int64_t pixels = static_cast<int64_t>(p.width) * p.height;
  if (pixels <= 0 || !p.pixels) return out;
  int64_t quota[256];
  for (int g = 0; g < 256; ++g) quota[g] = static_cast<int64_t>(s.histogram[g]) * target / pixels;
  std::vector<uint8_t> used(static_cast<size_t>(pixels), 0);
  Random rng(static_cast<uint32_t>(p.width / 2));
  double sum = 0;
  int misses = 0;
  while (out.count < maximum && out.count <= pixels && misses <= 50) {
    int x = 0, y = 0, grey = 0, redraws = 0;
    bool found = false;
    while (redraws < 1000) {
      x = static_cast<int>(rng.Next() % static_cast<uint32_t>(p.width));
      y = static_cast<int>(rng.Next() % static_cast<uint32_t>(p.height));
      if (!used[static_cast<size_t>(y) * p.width + x] && p.Grey(x, y, &grey)) {
        found = true;
        break;
      }
      ++redraws;
    }
    if (!found) break;
    used[static_cast<size_t>(y) * p.width + x] = 1;
    if (quota[grey] > 0) {
      --quota[grey];
      out.xyz.insert(out.xyz.end(), {static_cast<float>(x), static_cast<float>(y), 0.0f});
      ++out.count;
      sum += grey / 255.0;
      misses = 0;
    } else {
      ++misses;
    }
  }
  if (out.count > 0) {
    out.mean = static_cast<float>(sum / out.count);
    double sq = 0;
    for (int i = 0; i < out.count; ++i) {
      int g = 0;
      p.Grey(static_cast<int>(out.xyz[3 * i]), static_cast<int>(out.xyz[3 * i + 1]), &g);
      sq += (g / 255.0 - out.mean) * (g / 255.0 - out.mean);
    }
    out.sumSq = static_cast<float>(sq);
  }
  return out;
}

int PatternMargin(int width, int height) {
  int m = std::min(width / 10, height / 10);
  if (m == 0) m = std::min(width / 4, height / 4);
  return m == 0 ? 2 : m;
}

}  // namespace nesbar
