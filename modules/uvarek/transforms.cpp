// Windows, the direct single-precision DCT and DFT, the chirp sums for lines
// far longer than the frame, and the radix-2 FFT.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "chirp.h"
#include "dft1.h"

namespace uvarek {

namespace {

constexpr double kTwoPi = 6.283185307, kFourPi = 12.56637061, kSixPi = 18.84955592;
constexpr float kPi = 3.141592654f;

// cos of an argument formed in double and rounded to single precision.
float Cos(double argument) { return std::cos(static_cast<float>(argument)); }

unsigned BitReverse(unsigned i, int bits) {
  unsigned r = 0;
  for (int b = 0; b < bits; ++b) r = (r << 1) | ((i >> b) & 1u);
  return r;
}

}  // namespace

void CDFT1::ComputeWindow() {
  window_.assign(n_, 1.0f);
  const int n = n_;
  // A line of one sample has no period; its window stays 1.
  const double period = n > 1 ? n - 1 : 1;
  for (int i = 0; i < n; ++i) {
    switch (windowType_) {
      case 1: window_[i] = (1 - Cos(kTwoPi * i / period)) * 0.5f; break;
      case 2: window_[i] = 0.54f - 0.46f * Cos(kTwoPi * i / period); break;
      case 3: window_[i] = 0.42f - 0.5f * Cos(kTwoPi * i / period) + 0.08f * Cos(kFourPi * i / period); break;
      case 4:
        window_[i] = 0.35875f - 0.48829f * Cos(kTwoPi * i / period) + 0.14128f * Cos(kFourPi * i / period) -
                     0.01168f * Cos(kSixPi * i / period);
        break;
      case 5: window_[i] = static_cast<float>((n * 0.5 - std::fabs(i - (n - 1) * 0.5)) * (2.0 / n)); break;
      default: break;
    }
  }
}

bool CDFT1::TransformLine() {
  if (l_ <= 0) return false;
  std::fill(amplitude_.begin(), amplitude_.end(), 0.0f);
  std::fill(phase_.begin(), phase_.end(), 0.0f);
  if (kind_ == kFft) {
    std::fill(line_.begin() + n_, line_.end(), 0.0f);
    std::fill(imaginary_.begin(), imaginary_.end(), 0.0f);
  }
  if (windowType_ != 0) {
    for (int i = 0; i < n_; ++i) line_[i] *= window_[i];
  }
  const float n = static_cast<float>(n_);
  const auto account = [&](float amplitude, float phase) {
    maximum_ = std::max(maximum_, amplitude);
    minimum_ = std::min(minimum_, amplitude);
    sum_ += std::fabs(amplitude);
    if (show_ && kind_ != kDct) {
      phaseMaximum_ = std::max(phaseMaximum_, phase);
      phaseMinimum_ = std::min(phaseMinimum_, phase);
    }
  };
  const float* x = line_.data();
  // Past the samples reached the line holds zeros, which leave every sum as
  // it is: the sums stop there.
  const int reached = reached_;
  if (kind_ != kFft && TransformLongLine()) {
    for (int i = 0; i < l_; ++i) account(amplitude_[i], kind_ == kDct ? 0.0f : phase_[i]);
    return true;
  }
  if (kind_ == kDct) {
    for (int k = begin_; k <= end_; ++k) {
      float s = 0;
      const float step = static_cast<float>(k) * (kPi / n);
      for (int j = 0; j < reached; ++j) s += std::cos(step * (static_cast<float>(j) + 0.5f)) * x[j];
      amplitude_[k - begin_] = s / n;
      account(amplitude_[k - begin_], 0);
    }
    return true;
  }
  if (kind_ == kDft) {
    const float w = static_cast<float>(kTwoPi) / n;
    for (int k = begin_; k <= end_; ++k) {
      float re = 0, im = 0;
      const float step = static_cast<float>(k) * w;
      for (int j = 0; j < reached; ++j) {
        const float arg = step * static_cast<float>(j);
        re += std::cos(arg) * x[j];
        im += std::sin(arg) * x[j];
      }
      const float a = std::sqrt((im / n) * (im / n) + (re / n) * (re / n));
      const float p = re == 0 ? 0.0f : std::atan(im / re);
      amplitude_[k - begin_] = a;
      phase_[k - begin_] = p;
      account(a, p);
    }
    return true;
  }
  const int m = static_cast<int>(line_.size());
  Fft(m);
  for (int k = begin_; k <= end_; ++k) {
    const float re = line_[k] / static_cast<float>(m), im = imaginary_[k] / static_cast<float>(m);
    amplitude_[k] = std::sqrt(im * im + re * re);
    phase_[k] = re == 0 ? 0.0f : std::atan(im / re);
    account(amplitude_[k], phase_[k]);
  }
  return true;
}

bool CDFT1::TransformLongLine() {
  // Lines that lie mostly within the frame keep the direct sums, their cost
  // bounded by the frame's size; so do longer lines while the sums stay
  // cheap (about a second).
  constexpr double kDirectBudget = 1 << 26;
  const int reached = reached_;
  if (reached < 1 || 2 * int64_t{reached} > n_ || static_cast<double>(reached) * l_ <= kDirectBudget) return false;
  const float n = static_cast<float>(n_);
  const int64_t period = kind_ == kDct ? 2 * int64_t{n_} : n_;
  ChirpSums sums(line_.data(), reached, period);
  std::vector<std::complex<double>> block(static_cast<size_t>(sums.BlockSize()));
  for (int first = begin_; first <= end_; first += sums.BlockSize()) {
    const int count = std::min(sums.BlockSize(), end_ - first + 1);
    sums.Block(first, count, block.data());
    for (int m = 0; m < count; ++m) {
      const int k = first + m;
      if (kind_ == kDct) {
        // cos(pi k (j + 1/2) / N) is the real part of e^(i pi k / 2N) e^(2 pi i k j / 2N).
        const double turn = 3.14159265358979323846 * static_cast<double>(k) / (2.0 * n_);
        const double c = block[m].real() * std::cos(turn) - block[m].imag() * std::sin(turn);
        amplitude_[k - begin_] = static_cast<float>(c) / n;
        continue;
      }
      const float re = static_cast<float>(block[m].real()), im = static_cast<float>(block[m].imag());
      amplitude_[k - begin_] = std::sqrt((im / n) * (im / n) + (re / n) * (re / n));
      phase_[k - begin_] = re == 0 ? 0.0f : std::atan(im / re);
    }
  }
  return true;
}

// In place over the line (real part) and the imaginary buffer; the sign of
// sum x e^(+2 pi i k n / M).
void CDFT1::Fft(int m) {
  int bits = 0;
  while ((1 << bits) < m) ++bits;
  const int half = m / 2;
  if (twiddleLength_ != m) {
    twiddleCos_.assign(half, 0.0f);
    twiddleSin_.assign(half, 0.0f);
    for (int i = 0; i < half; ++i) {
      const unsigned c = BitReverse(static_cast<unsigned>(i), bits - 1);
      const float angle = static_cast<float>(i) * static_cast<float>(kTwoPi) / static_cast<float>(m);
      twiddleCos_[c] = std::cos(angle);
      twiddleSin_[c] = std::sin(angle);
    }
    reversed_.resize(m);
    for (int i = 0; i < m; ++i) reversed_[i] = static_cast<int>(BitReverse(static_cast<unsigned>(i), bits));
    twiddleLength_ = m;
  }
  const int* reversed = reversed_.data();
  float* re = line_.data();
  float* im = imaginary_.data();
  for (int c = m; c >= 2; c /= 2) {
    const int h = c / 2;
    for (int b = 0, start = 0; start < m; ++b, start += c) {
      const float cs = twiddleCos_[b], sn = twiddleSin_[b];
      for (int n = 0; n < h; ++n) {
        const int u = start + n, v = u + h;
        const float tr = re[v] * cs - im[v] * sn, ti = re[v] * sn + im[v] * cs;
        re[v] = re[u] - tr;
        im[v] = im[u] - ti;
        re[u] += tr;
        im[u] += ti;
      }
    }
  }
  // Each pair is swapped by the thread that holds the smaller index.
#pragma omp parallel for schedule(static) if (m >= 8192)
  for (int i = 0; i < m; ++i) {
    const int r = reversed[i];
    if (i < r) {
      std::swap(re[i], re[r]);
      std::swap(im[i], im[r]);
    }
  }
}

}  // namespace uvarek
