// Random sample points of a pattern and the normalised correlation of sampled
// values, shared by pattern matching and the pattern-trained reader.
//
// A grey sample set of n points over A angles is one int32 array: the n
// pattern values, then per angle n x offsets and n y offsets. A colour set of
// N points holds N red, N green and N blue values, then per angle N x and N y
// offsets. Offsets are relative to the rectangle's centre (integer halves) and
// already turned by the angle.
#pragma once

#include <cstdint>

namespace kelmar {

// The C library's generator as the pattern model has always drawn with it
// (15-bit values), so that a seed gives the same points on every platform.
class SampleRandom {
 public:
  void seed(uint32_t s) { state_ = s; }
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7fff);
  }

 private:
  uint32_t state_ = 1;
};

// Where each set's drawing starts: a hash of the rectangle's pixels (see
// ContentSeed), so that one pattern always gets the same points, unless a test
// replaces it to try other choices.
using SeedSource = uint32_t (*)();
void SetSeedSource(SeedSource source);  // null restores ContentSeed

// Sum over the 32 bins of truncate(bin x percent / 100), truncating after
// every bin, in single precision.
int32_t CountSamplePoints(const int32_t table[32], float percent);

// Pixel data of a rectangle to draw from: rows of `stride` bytes, 8 or 32 bpp.
struct SampleSource {
  const uint8_t* data;
  int stride;
  int bpp;
  int x0, y0, width, height;
};

// FNV-1a over the size, depth and pixel bytes of the rectangle.
uint32_t ContentSeed(const SampleSource& src);

// Angles `from` (given plus 360, as the callers pass it) to `to` by `step`,
// degrees.
struct SampleAngles {
  int fromPlus360, to, step;
};

// Fills a grey set of CountSamplePoints(table, percent) points drawn at
// random with the bin quotas of `table` (the last 10 % take any bin). At
// 32 bpp only pixels with alpha above 126 are taken when requireAlpha is set.
// At most maxDraws draws (0: unbounded); answers the number of points stored.
int SelectSamplePoints(int32_t* set, const int32_t table[32], float percent, const SampleSource& src,
                       const SampleAngles& angles, bool requireAlpha = true, int64_t maxDraws = 0);

// Fills a colour set from the whole rectangle: three passes (red, green,
// blue) of c points each, c the largest of the three channel counts.
void SelectColorSamplePoints(int32_t* set, const int32_t red[32], const int32_t green[32], const int32_t blue[32],
                             float percent, const SampleSource& src, const SampleAngles& angles);

// Number of angles from..to by step.
inline int AngleCount(const SampleAngles& a) { return (a.to - (a.fromPlus360 - 360)) / a.step + 1; }

// Correlation of row `row` of `values` (rows of n ints) with the first n ints
// of `pattern`: sum (v - mean)(p - patternMean) in 32 bits over
// (n - 1) x deviation x patternDeviation in float; 0 when deviation < 0.5.
float CorrelateSamples(int n, const int32_t* values, const int32_t* pattern, float deviation, float patternDeviation,
                       int mean, int patternMean, int row);

// The same for one channel: values row 3 x row + channel, pattern row channel.
float CorrelateColorSamples(int n, const int32_t* values, const int32_t* pattern, float deviation,
                            float patternDeviation, int mean, int patternMean, int row, int channel);

}  // namespace kelmar

namespace kelmar {

// The sums one pass over n sampled values v against pattern values p gives:
// sum v, sum v^2 and sum v p, wrapping in 32 bits. From them the deviation
// and the correlation come out exactly as RowStdDev and CorrelateSamples
// compute them over stored values.
struct SampleSums {
  uint32_t sum = 0, squares = 0, cross = 0;
  void add(uint32_t v, uint32_t p) {
    sum += v;
    squares += v * v;
    cross += v * p;
  }
};

// RowStdDev of the sampled values; the truncated mean into *mean.
float SumsDeviation(const SampleSums& s, int n, int* mean);

// CorrelateSamples of the sampled values, given the pattern values' sum.
float SumsCorrelation(const SampleSums& s, int n, int mean, float deviation, uint32_t patternSum, int patternMean,
                      float patternDeviation);

}  // namespace kelmar
