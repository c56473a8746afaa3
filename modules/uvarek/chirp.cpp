// Bluestein's chirp: k j = (k^2 + j^2 - (k - j)^2) / 2, so each coefficient is
// a chirp times the convolution of the chirped samples with the conjugate
// chirp. A block of coefficients is one circular convolution of a power of
// two length, long enough that no wrapped term reaches the block.
#include "chirp.h"

#include <algorithm>
#include <cmath>

namespace uvarek {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

ChirpSums::ChirpSums(const float* x, int count, int64_t period) : count_(count), period_(period) {
  size_ = 1024;
  while (size_ < 4 * count_) size_ *= 2;
  block_ = size_ - count_ + 1;
  int bits = 0;
  while ((1 << bits) < size_) ++bits;
  reversed_.resize(size_);
  for (int i = 0; i < size_; ++i) {
    unsigned r = 0;
    for (int b = 0; b < bits; ++b) r = (r << 1) | ((static_cast<unsigned>(i) >> b) & 1u);
    reversed_[i] = static_cast<int>(r);
  }
  twiddles_.resize(size_ / 2);
  for (int i = 0; i < size_ / 2; ++i) twiddles_[i] = std::polar(1.0, -2 * kPi * i / size_);
  samples_.assign(size_, 0.0);
  for (int j = 0; j < count_; ++j) samples_[j] = static_cast<double>(x[j]) * Chirp(j);
  Transform(samples_, false);
  work_.resize(size_);
}

std::complex<double> ChirpSums::Chirp(int64_t t) const {
  // t^2 modulo 2 period keeps the angle below 2 pi; |t| stays below 2^31.
  const int64_t twice = 2 * period_;
  const int64_t r = (t % twice) * (t % twice) % twice;
  return std::polar(1.0, kPi * static_cast<double>(r) / static_cast<double>(period_));
}

// Iterative radix 2, e^(-i) forward; the inverse is not scaled.
void ChirpSums::Transform(std::vector<std::complex<double>>& v, bool inverse) const {
  for (int i = 0; i < size_; ++i)
    if (i < reversed_[i]) std::swap(v[i], v[reversed_[i]]);
  for (int len = 2; len <= size_; len *= 2) {
    const int half = len / 2, stride = size_ / len;
    for (int start = 0; start < size_; start += len) {
      for (int k = 0; k < half; ++k) {
        const std::complex<double> w = inverse ? std::conj(twiddles_[k * stride]) : twiddles_[k * stride];
        const std::complex<double> t = v[start + k + half] * w;
        v[start + k + half] = v[start + k] - t;
        v[start + k] += t;
      }
    }
  }
}

void ChirpSums::Block(int64_t first, int n, std::complex<double>* out) {
  // work[u] = conj(chirp(first - count + 1 + u)); the linear convolution at
  // count - 1 + m is the sum for first + m.
  const int64_t base = first - count_ + 1;
  std::fill(work_.begin(), work_.end(), std::complex<double>(0.0));
  const int taps = std::min(size_, n + count_ - 1);
  for (int u = 0; u < taps; ++u) work_[u] = std::conj(Chirp(base + u));
  Transform(work_, false);
  for (int i = 0; i < size_; ++i) work_[i] *= samples_[i];
  Transform(work_, true);
  const double scale = 1.0 / size_;
  for (int m = 0; m < n; ++m) out[m] = work_[count_ - 1 + m] * scale * Chirp(first + m);
}

}  // namespace uvarek
