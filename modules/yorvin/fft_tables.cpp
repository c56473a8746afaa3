#include "fft_tables.h"

#include <cmath>

namespace yorvin {

int FftSize(int width) {
  int n = 2;
  while (n < width && n < (1 << 30)) n *= 2;
  return n;
}

int StageCount(int n) {
  int l = 0;
  while ((1 << l) < n) ++l;
  return l;
}

unsigned BitReverse(unsigned value, int bits) {
  unsigned r = 0;
  for (int i = 0; i < bits; ++i, value >>= 1) r = (r << 1) | (value & 1);
  return r;
}

StageTables MakeStageTables(int n) {
  StageTables t;
  t.n = n;
  t.stages = StageCount(n);
  const size_t entries = static_cast<size_t>(n) * t.stages;
  t.indices.assign(entries * 2, 0);
  t.real.assign(entries, 0);
  t.imag.assign(entries, 0);
  const float twoPi = 2.0f * static_cast<float>(M_PI);
  for (int s = 0; s < t.stages; ++s) {
    const int b = 1 << s, c = 1 << (t.stages - s - 1);
    const size_t row = static_cast<size_t>(s) * n;
    for (int j = 0; j < c; ++j) {
      for (int k = 0; k < b; ++k) {
        const int p1 = 2 * b * j + k, p2 = p1 + b;
        unsigned i1 = static_cast<unsigned>(p1), i2 = static_cast<unsigned>(p2);
        if (s == 0) i1 = BitReverse(i1, t.stages), i2 = BitReverse(i2, t.stages);
        const float theta = twoPi * static_cast<float>(k * c) / static_cast<float>(n);
        const float co = std::cos(theta), si = std::sin(theta);
        for (int p : {p1, p2}) {
          t.indices[(row + p) * 2] = static_cast<float>(i1);
          t.indices[(row + p) * 2 + 1] = static_cast<float>(i2);
        }
        t.real[row + p1] = co, t.imag[row + p1] = -si;
        t.real[row + p2] = -co, t.imag[row + p2] = si;
      }
    }
  }
  return t;
}

}  // namespace yorvin
