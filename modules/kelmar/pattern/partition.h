// How the pattern search cuts the region's scan lines over its threads.
// Header-only: the search and its tests share it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kelmar {

// One part of the search: lines first..last (inclusive) and the bounds, in
// region coordinates (u along the width, v along the height), of its own
// share and of where its matches may lie.
struct SearchPart {
  int thread = 0;  // selects the part's counter and scratch
  int firstLine = 0, lastLine = -1;
  int uFrom = 0, uTo = 0, vFrom = 0, vTo = 0;
  int uMin = 0, uMax = 0, vMin = 0, vMax = 0;
};

// The parts of lineCount lines over a region of size (w, h) for `parts`
// processors: the started threads' parts 0..parts-2, then the caller's.
// Lines run across the longer side; when h <= w they are numbered from the
// far end of u. Every line 0..lineCount-1 belongs to exactly one part.
inline std::vector<SearchPart> PartitionLines(int lineCount, double w, double h, int parts) {
  const int64_t l = lineCount, p = parts;
  std::vector<SearchPart> blocks(parts);
  const double du = w / parts, dv = h / parts;
  const int wLast = static_cast<int>(w - 1), hLast = static_cast<int>(h - 1);
  for (int k = 0; k < parts; ++k) {
    SearchPart& b = blocks[k];
    b.thread = k;
    const bool caller = k == parts - 1;
    if (h <= w) {
      b.firstLine = static_cast<int>(l - l * (k + 1) / p);
      b.lastLine = static_cast<int>(l - l * k / p - 1);
      b.vFrom = b.vMin = 0;
      b.vTo = b.vMax = hLast;
      b.uFrom = static_cast<int>(du * k);
      b.uTo = caller ? wLast : static_cast<int>(du * (k + 1) - 1);
      b.uMin = caller ? static_cast<int>(du * k - 5) : k == 0 ? 0 : static_cast<int>(du * k - 3);
      b.uMax = caller ? wLast : static_cast<int>(du * (k + 1) - 1 + 5);
    } else {
      b.firstLine = static_cast<int>(l * k / p);
      b.lastLine = static_cast<int>(l * (k + 1) / p - 1);
      b.uFrom = b.uMin = 0;
      b.uTo = b.uMax = wLast;
      b.vFrom = static_cast<int>(dv * k);
      b.vTo = caller ? hLast : static_cast<int>(dv * (k + 1) - 1);
      b.vMin = k == 0 && !caller ? 0 : static_cast<int>(dv * k - 5);
      b.vMax = caller ? hLast : static_cast<int>(dv * (k + 1) - 1 + 5);
    }
  }
  return blocks;
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
