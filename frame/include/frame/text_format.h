// printf-style formatting into 16-bit texts for labels and messages. The
// formats are the module's own ASCII formats; the C locale's decimal point.
#pragma once

#include <string>

namespace frame {

// The formatted text, cut at `cap` characters.
std::u16string FormatText(size_t cap, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace frame
