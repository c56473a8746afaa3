#include "frame/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace frame {

std::u16string FormatText(size_t cap, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  char small[256];
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::u16string out;
  if (n < 0) {
    va_end(again);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, small + n);
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    out.assign(big.data(), big.data() + n);
  }
  va_end(again);
  if (out.size() > cap) out.resize(cap);
  return out;
}

}  // namespace frame
