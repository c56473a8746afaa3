#include "galois.h"

namespace dunsel {

GaloisField::GaloisField() : antilog_(256), log_(256), product_(65536), sum_(65536), quotient_(65536) {
  antilog_[0] = 1;
  for (int i = 1; i < 256; ++i) {
    int v = antilog_[i - 1] * 2;
    if (v > 255) v ^= 0x12D;
    antilog_[i] = v;
  }
  log_[0] = -255;
  for (int i = 1; i < 256; ++i) log_[antilog_[i]] = i;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const int k = a * 256 + b;
      sum_[k] = static_cast<uint8_t>(a ^ b);
      if (a == 0 || b == 0) continue;
      product_[k] = static_cast<uint8_t>(antilog_[(log_[a] + log_[b]) % 255]);
      quotient_[k] = static_cast<uint8_t>(antilog_[(log_[a] - log_[b] + 255) % 255]);
    }
  }
}

}  // namespace dunsel
