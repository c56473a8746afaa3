#include <cstring>

#include "selvane64.h"

namespace selvane64 {

void CopyText(int capacity, char16_t* dst, int count, const char16_t* src) {
  if (!dst || capacity < 0) return;
  int n = 0;
  const int limit = count < capacity ? count : capacity;  // leave room for the NUL
  if (src) {
    for (; n < limit && src[n] != 0; ++n) dst[n] = src[n];
  }
  dst[n] = 0;
}

void Move(const void* src, void* dst, size_t bytes) {
  if (bytes == 0 || !src || !dst) return;
  std::memmove(dst, src, bytes);
}

}  // namespace selvane64
