// Sums over a short stretch of samples at the frequencies of a much longer
// line: X[k] = sum over j < count of x[j] e^(+2 pi i k j / period), for
// consecutive k. A line far longer than the frame holds samples only at its
// start, and summing them once per coefficient would take count x band
// steps; the chirp form turns each block of coefficients into one
// convolution, in double precision.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace uvarek {

class ChirpSums {
 public:
  // x must hold count > 0 samples; period > 0.
  ChirpSums(const float* x, int count, int64_t period);

  // How many coefficients one call of Block gives at most.
  int BlockSize() const { return block_; }
  // X[first + m] into out[m] for m < n, n at most BlockSize().
  void Block(int64_t first, int n, std::complex<double>* out);

 private:
  // e^(i pi t^2 / period), with t^2 reduced exactly first.
  std::complex<double> Chirp(int64_t t) const;
  void Transform(std::vector<std::complex<double>>& v, bool inverse) const;

  int count_ = 0, size_ = 0, block_ = 0;
  int64_t period_ = 1;
  std::vector<std::complex<double>> samples_;  // transformed, chirped samples
  std::vector<std::complex<double>> work_, twiddles_;
  std::vector<int> reversed_;
};

}  // namespace uvarek
