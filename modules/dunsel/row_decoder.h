// What a one-dimensional decoder reads and leaves: it works on the samples
// of one scan line in its slot and reports the symbol's ends on the line.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "bar_runs.h"
#include "method.h"
#include "symbol_tables.h"

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

// A start or stop pattern found on the line: the sample where the walk
// between the two begins or ends, the reading direction and, for Code 128,
// the start's code set (0 A, 1 B, 2 C).
struct PatternCandidate {
  int sample;
  bool forward;
  int type;
};

struct CandidatePair {
  PatternCandidate start, stop;
};

// Work buffers of one slot for Code 128 and Code 39; they grow with the line.
struct Code128Work {
  std::vector<PatternCandidate> stops, starts;
  std::vector<float> widths;
  std::vector<int> values;
};

struct Code39Work {
  std::vector<PatternCandidate> stops, starts;
  std::vector<CandidatePair> pairs;
  std::vector<int> values;
};

// Code 128 on one line: 4 decoded, else the highest of 0 nothing, 1 too many
// characters, 2 an unknown application identifier, 3 a wrong check
// character. The text has its application identifiers in parentheses; after
// a wrong check character it holds the values that failed it.
int DecodeCode128(const Code128Tables& tables, SampleSlot& slot, int n, bool whiteBars, bool refine, LineElements& fwd,
                  LineElements& rev, Code128Work& work, std::u16string& text, LineEnds& ends);

// Code 39 on one line: 3 decoded, else the highest of 0 nothing, 1 too many
// characters, 2 a wrong check character (checksum on); after a wrong check
// character the text holds the values that failed it.
int DecodeCode39(const Code39Tables& tables, SampleSlot& slot, int n, bool whiteBars, bool fullAscii, bool checksum,
                 bool refine, LineElements& fwd, LineElements& rev, Code39Work& work, std::u16string& text,
                 LineEnds& ends);

}  // namespace dunsel
