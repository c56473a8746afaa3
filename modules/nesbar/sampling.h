// The pattern's grey statistics and its sample points, drawn at random with
// a quota per grey level taken from the pattern's histogram.
#pragma once

#include <cstdint>
#include <vector>

namespace nesbar {

// A pattern's pixels, rows in memory order.
struct PatternPixels {
  int width = 0;
  int height = 0;
  int bpp = 8;
  const uint8_t* pixels = nullptr;
  // Grey value (B + G + R) / 3 or the byte; false for a transparent pixel of a 32-bit pattern.
  bool Grey(int x, int y, int* grey) const;
};

struct PatternStats {
  int histogram[256] = {};
  float mean = 0.0f;  // of grey / 255, over all pixels
  float sumSq = 0.0f;
};
PatternStats ComputePatternStats(const PatternPixels& p);

struct SamplePoints {
  std::vector<float> xyz;  // x, y, 0 per point
  int count = 0;
  float mean = 0.0f;
  float sumSq = 0.0f;
};

// A small deterministic generator (the choice must repeat for a pattern of
// the same width whatever the C library's).
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  uint32_t state_;
};

SamplePoints SelectPatternSamplePoints(const PatternPixels& p, const PatternStats& s, int target, int maximum);

// min(w / 10, h / 10), else min(w / 4, h / 4), else 2.
int PatternMargin(int width, int height);

}  // namespace nesbar
