// The samples of one scan: the scan callback that the edge, profile, line and
// radial measurements record with, and the searches they share.
#pragma once

#include <vector>

#include "talvix.h"

namespace gantrel {

// Pixel x, y and the value the scan delivered, per sample. Owned by a method
// object and kept from run to run; the callback grows it during a scan.
struct LineSamples {
  std::vector<int> x, y, value;
  int count = 0;
  int capacity = 0;

  // Each run starts again at 128 entries, the first zeroed.
  void Restart();
};

// PixelCallback over a LineSamples: grows the arrays by 32 entries when full,
// appends the sample and goes on. Stops the scan only when memory runs out.
bool CollectLineSample(void* user, int x, int y, unsigned value);

// count = 0, then a grey (mode 1) scan of the line without a region.
void ScanSamples(const Frame* frame, const TLine& line, LineSamples* samples);

// The threshold search along samples v[0..n-1] from sample `from`: armed at
// the first sample on the ground side (v >= level; negative: v <= level),
// then the first sample j on the object side (v <= level; negative:
// v >= level) followed by minLength - 1 more on that side, with
// j + minLength <= n - 1. Samples up to n - 2 are visited. Answers j or -1.
int FindThresholdPoint(const int* v, int n, int level, int minLength, bool negative, int from, bool* armed);

// Where the threshold search goes on after a point at j: past the run on the
// object side and the first ground sample after it.
int NextAfterThresholdPoint(const int* v, int n, int level, bool negative, int j);

// The gradient search along v[0..n-1] from sample `from`: the first j whose
// largest drop (negative: rise) over 1..transient samples reaches strength;
// the window then slides on while its difference grows one or three samples
// further, and the point is its first sample at or past the mid level.
// Answers the point or -1; *end receives the window's last sample.
int FindGradientPoint(const int* v, int n, int strength, int transient, bool negative, int from, int* end);

}  // namespace gantrel
