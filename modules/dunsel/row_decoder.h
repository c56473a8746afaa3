// What a one-dimensional decoder reads and leaves: it works on the samples
// of one scan line in its slot and reports the symbol's ends on the line.
#pragma once

#include <array>
#include <string>

#include "bar_runs.h"
#include "method.h"

namespace dunsel {

// End points of a decoded symbol in pixels; -1 while nothing was decoded.
struct LineEnds {
  double x0 = -1.0, y0 = -1.0, x1 = -1.0, y1 = -1.0;
};

// The outcome of EAN-13 decoding on one line.
struct Ean13Line {
  std::array<char16_t, 14> text{};  // 13 digits of the best complete candidate
  int digitCount = 0;               // 0 none, 12 or 13; 13 also after a verified check digit
  bool found = false;               // a verified check digit
  bool forward = true;              // false: read from the symbol's end
  LineEnds ends;
};

// Tries every bar start on the line as an EAN-13 symbol (classifying the
// samples first); a candidate must match at least as well as the best one
// this line has recorded.
void DecodeEan13(SampleSlot& slot, int n, bool whiteBars, bool refine, LineElements& elements, Ean13Line& line);

}  // namespace dunsel
