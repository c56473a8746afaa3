// How the pattern search lays out the region's scan lines: the bands they
// are searched in, and where a climb may go. Header-only: the search and its
// tests share it.
#pragma once

#include <algorithm>

namespace kelmar {

// Where a climb and its matches may go, in region coordinates (u along the
// width, v along the height): the whole region, with a slack of 5 pixels
// before the start of its longer side.
struct RegionBounds {
  int uMin = 0, uMax = -1, vMin = 0, vMax = -1;
};

inline RegionBounds SearchBounds(double w, double h) {
  const int wLast = static_cast<int>(w - 1), hLast = static_cast<int>(h - 1);
  if (h <= w) return {-5, wLast, 0, hLast};
  return {0, wLast, -5, hLast};
}

// The lines are searched in bands, each with marks of its own, and the bands'
// matches are merged in band order: which points a band evaluates then does
// not hang on the order in which threads reach them. A band's size follows
// from the line count alone, never from the thread count.
inline int BandLineCount(int lineCount) {
  constexpr int kBands = 32, kMinLines = 4;
  return std::max(kMinLines, (lineCount + kBands - 1) / kBands);
}

}  // namespace kelmar
