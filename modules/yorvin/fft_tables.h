// The tables that drive the radix-2 FFT passes: per stage, for every position
// the index pair it combines (bit-reversed at stage 0, so that the first stage
// also scrambles) and its twiddle factor. No GL here.
#pragma once

#include <vector>

namespace yorvin {

// The transform size for a frame width: the smallest power of two not below
// it, at least 2.
int FftSize(int width);
// The largest transform set up: its two N x N float textures take 512 MB
// (a picture 8192 wide would need 2 GB and a minute on a software renderer).
constexpr int kMaxFftSize = 4096;
// The number of stages, log2 of a power of two.
int StageCount(int n);
unsigned BitReverse(unsigned value, int bits);

struct StageTables {
  int n = 0;
  int stages = 0;
  // Stage s, position p at [s * n + p]: indices (pairs: 2 floats) and weights.
  std::vector<float> indices;
  std::vector<float> real;
  std::vector<float> imag;
};

// Position p of stage s (span b = 2^s): with p1 = 2bj + k and p2 = p1 + b both
// positions combine (p1, p2), p1 weighted (cos t, -sin t) and p2 (-cos t, sin t),
// t = 2 pi k c / n in single precision (c = n / 2b).
StageTables MakeStageTables(int n);

}  // namespace yorvin
