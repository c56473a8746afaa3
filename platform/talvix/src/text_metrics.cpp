// GetTextWD: a fixed text box, so that layouts are the same on every host.
#include <climits>

#include "talvix.h"

namespace {

constexpr int kCharWidth = 8;
constexpr int kTextDepth = 16;

}  // namespace

extern "C" {

// Width 8 px per character (at most hi + 1, up to the first NUL), depth 16.
void GetTextWD(void* /*ctx*/, int hi, const char16_t* text, int* w, int* d) {
  int n = 0;
  if (text)
    while (n <= hi && n < INT_MAX / kCharWidth && text[n] != 0) ++n;
  if (w) *w = n * kCharWidth;
  if (d) *d = kTextDepth;
}

}  // extern "C"
