// GF(256) over x^8 + x^5 + x^3 + x^2 + 1 with generator 2. Every product,
// sum and quotient is one lookup in a 64 KB table; the tables are built once
// per reader object.
#pragma once

#include <cstdint>
#include <vector>

namespace dunsel {

class GaloisField {
 public:
  GaloisField();

  uint8_t mul(uint8_t a, uint8_t b) const { return product_[a * 256 + b]; }
  uint8_t add(uint8_t a, uint8_t b) const { return sum_[a * 256 + b]; }
  uint8_t div(uint8_t a, uint8_t b) const { return quotient_[a * 256 + b]; }
  // 2 to the power e, e taken modulo 255.
  uint8_t power(int e) const { return static_cast<uint8_t>(antilog_[((e % 255) + 255) % 255]); }
  int log(uint8_t a) const { return log_[a]; }

 private:
  std::vector<int32_t> antilog_, log_;  // log[1] = 255, log[0] = -255
  std::vector<uint8_t> product_, sum_, quotient_;
};

}  // namespace dunsel
