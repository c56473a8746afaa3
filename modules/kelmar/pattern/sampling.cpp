#include "pattern/sampling.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace kelmar {

namespace {

std::atomic<SeedSource> g_seedSource{nullptr};

constexpr float kDegToRad = static_cast<float>(0.017453292519943295);

int RoundHalfAway(float v) { return static_cast<int>(v > 0 ? v + 0.5f : v - 0.5f); }

// The x and y offsets of point k at every angle.
void StoreOffsets(int32_t* offsets, int count, int k, int dx, int dy, const SampleAngles& angles) {
  int32_t* at = offsets;
  for (int a = angles.fromPlus360 - 360; a <= angles.to; a += angles.step) {
    const float r = static_cast<float>(a) * kDegToRad;
    const float c = std::cos(r), s = std::sin(r);
    at[k] = RoundHalfAway(c * static_cast<float>(dx) - s * static_cast<float>(dy));
    at[count + k] = RoundHalfAway(s * static_cast<float>(dx) + c * static_cast<float>(dy));
    at += 2 * count;
  }
}

// Fills the bin quotas; answers their total.
int Quotas(const int32_t table[32], float percent, int32_t quota[32]) {
  int total = 0;
  for (int i = 0; i < 32; ++i) {
    quota[i] = static_cast<int32_t>(static_cast<float>(table[i]) * percent / 100.0f);
    total += quota[i];
  }
  return total;
}

}  // namespace

uint32_t ContentSeed(const SampleSource& src) {
  uint32_t h = 2166136261u;
  const auto mix = [&h](uint32_t byte) { h = (h ^ byte) * 16777619u; };
  for (const int v : {src.width, src.height, src.bpp}) {
    for (int k = 0; k < 4; ++k) mix(static_cast<uint32_t>(v) >> (8 * k) & 0xff);
  }
  const int bytes = src.bpp / 8;
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* row =
        src.data + static_cast<ptrdiff_t>(src.y0 + y) * src.stride + static_cast<ptrdiff_t>(src.x0) * bytes;
    for (int i = 0; i < src.width * bytes; ++i) mix(row[i]);
  }
  return h;
}

void SetSeedSource(SeedSource source) { g_seedSource.store(source); }

// A draw seeded by the clock could not be repeated: one command on one picture
// must give one answer.
static uint32_t Seed(const SampleSource& src) {
  const SeedSource s = g_seedSource.load();
  return s ? s() : ContentSeed(src);
}

int32_t CountSamplePoints(const int32_t table[32], float percent) {
  int32_t acc = 0;
  for (int i = 0; i < 32; ++i) {
    acc = static_cast<int32_t>(static_cast<float>(table[i]) * percent / 100.0f + static_cast<float>(acc));
  }
  return acc;
}

int SelectSamplePoints(int32_t* set, const int32_t table[32], float percent, const SampleSource& src,
                       const SampleAngles& angles, bool requireAlpha, int64_t maxDraws) {
  if (src.bpp != 8 && src.bpp != 32) return 0;
  if (src.width <= 0 || src.height <= 0) return 0;
  int32_t quota[32];
  int quotaLeft = Quotas(table, percent, quota);
  const int total = CountSamplePoints(table, percent);
  int remaining = total;
  SampleRandom rng;
  rng.seed(Seed(src));
  int k = 0;
  int64_t draws = 0;
  while (remaining > 0) {
    if (maxDraws > 0 && draws++ >= maxDraws) break;
    const int x = rng.next() % src.width;
    const int y = rng.next() % src.height;
    const uint8_t* row = src.data + static_cast<ptrdiff_t>(src.y0 + y) * src.stride;
    int v, bin;
    bool alphaOk = true;
    if (src.bpp == 8) {
      v = row[src.x0 + x];
      bin = v >> 3;
    } else {
      const uint8_t* p = row + static_cast<ptrdiff_t>(src.x0 + x) * 4;
      const int sum = p[0] + p[1] + p[2];
      bin = sum / 24;
      v = sum / 3;
      alphaOk = !requireAlpha || p[3] > 126;
    }
    // Once the quotas are spent any bin will do, so the draw always ends.
    if (!((quota[bin] > 0 || remaining < 0.1 * total || quotaLeft <= 0) && alphaOk)) continue;
    if (quota[bin] > 0) --quotaLeft;
    set[k] = v;
    StoreOffsets(set + total, total, k, x - src.width / 2, y - src.height / 2, angles);
    ++k;
    --quota[bin];
    --remaining;
  }
  return k;
}

void SelectColorSamplePoints(int32_t* set, const int32_t red[32], const int32_t green[32], const int32_t blue[32],
                             float percent, const SampleSource& src, const SampleAngles& angles) {
  if (src.bpp != 8 && src.bpp != 32) return;
  const int32_t* tables[3] = {red, green, blue};
  int c = 0;
  for (const int32_t* t : tables) c = std::max(c, CountSamplePoints(t, percent));
  const int n = 3 * c;
  SampleRandom rng;
  rng.seed(Seed(src));
  for (int pass = 0; pass < 3; ++pass) {
    int32_t quota[32];
    int quotaLeft = Quotas(tables[pass], percent, quota);
    int remaining = c;
    int k = pass * c;
    while (remaining > 0) {
      const int x = rng.next() % src.width;
      const int y = rng.next() % src.height;
      const uint8_t* row = src.data + static_cast<ptrdiff_t>(src.y0 + y) * src.stride;
      int rgb[3];
      int bin;
      if (src.bpp == 8) {
        rgb[0] = rgb[1] = rgb[2] = row[src.x0 + x];
        bin = rgb[0] >> 3;
      } else {
        const uint8_t* p = row + static_cast<ptrdiff_t>(src.x0 + x) * 4;
        if (p[3] <= 126) continue;
        rgb[0] = p[2];
        rgb[1] = p[1];
        rgb[2] = p[0];
        bin = rgb[pass] >> 3;
      }
      // A channel whose quotas sum to less than c would otherwise never end.
      if (!(quota[bin] > 0 || remaining < 0.1 * c || quotaLeft <= 0)) continue;
      if (quota[bin] > 0) --quotaLeft;
      set[k] = rgb[0];
      set[n + k] = rgb[1];
      set[2 * n + k] = rgb[2];
      StoreOffsets(set + 3 * n, n, k, x - src.width / 2, y - src.height / 2, angles);
      ++k;
      --quota[bin];
      --remaining;
    }
  }
}

float CorrelateSamples(int n, const int32_t* values, const int32_t* pattern, float deviation, float patternDeviation,
                       int mean, int patternMean, int row) {
  if (deviation < 0.5f) return 0.0f;
  const int32_t* v = values + static_cast<ptrdiff_t>(row) * n;
  uint32_t sum = 0;  // 32-bit, wrapping as the sum always has
  for (int i = 0; i < n; ++i) {
    sum += static_cast<uint32_t>((v[i] - mean) * (pattern[i] - patternMean));
  }
  return static_cast<float>(static_cast<int32_t>(sum)) /
         (static_cast<float>(n - 1) * deviation * patternDeviation);
}

float CorrelateColorSamples(int n, const int32_t* values, const int32_t* pattern, float deviation,
                            float patternDeviation, int mean, int patternMean, int row, int channel) {
  return CorrelateSamples(n, values + static_cast<ptrdiff_t>(3 * row + channel) * n,
                          pattern + static_cast<ptrdiff_t>(channel) * n, deviation, patternDeviation, mean,
                          patternMean, 0);
}

}  // namespace kelmar

namespace kelmar {

float SumsDeviation(const SampleSums& s, int n, int* mean) {
  if (n <= 0) return 0.0f;
  const float m = static_cast<float>(static_cast<double>(s.sum)) / static_cast<float>(n);
  const int mi = std::isnan(m) ? 0 : static_cast<int>(m);
  *mean = mi;
  const uint32_t um = static_cast<uint32_t>(mi);
  // sum (v - m)^2 = sum v^2 - 2 m sum v + n m^2, all modulo 2^32.
  const uint32_t sq = s.squares - 2u * um * s.sum + static_cast<uint32_t>(n) * um * um;
  return static_cast<float>(
      std::sqrt(static_cast<double>(static_cast<float>(static_cast<int32_t>(sq)) / static_cast<float>(n - 1))));
}

float SumsCorrelation(const SampleSums& s, int n, int mean, float deviation, uint32_t patternSum, int patternMean,
                      float patternDeviation) {
  if (deviation < 0.5f) return 0.0f;
  const uint32_t m = static_cast<uint32_t>(mean), mp = static_cast<uint32_t>(patternMean);
  // sum (v - m)(p - mp) = sum v p - mp sum v - m sum p + n m mp, modulo 2^32.
  const uint32_t cross = s.cross - mp * s.sum - m * patternSum + static_cast<uint32_t>(n) * m * mp;
  return static_cast<float>(static_cast<int32_t>(cross)) / (static_cast<float>(n - 1) * deviation * patternDeviation);
}

}  // namespace kelmar
