// Five-line fits of a plate border: one step offset per sample line, lines
// a to e at equal spacing, scored by the collinear triples of the chosen
// offsets.
#pragma once

namespace kelmar::plate {

inline constexpr int kMissingStep = 9999;
inline constexpr int kStepsPerLine = 19;

struct FitLine {
  int offsets[kStepsPerLine] = {};
  int count = 0;
  void add(int offset) {
    if (count < kStepsPerLine) offsets[count++] = offset;
  }
  // A line without steps lists the missing marker.
  void close() {
    if (count == 0) offsets[count++] = kMissingStep;
  }
};

struct FitChoice {
  int score = -1;        // collinear triples of the best combination, 0..10
  int pick[5] = {};      // its offsets
  int failed[5] = {};    // failed triples through each line
  bool present(int i) const { return pick[i] != kMissingStep; }
};

// The combination with the most collinear triples (offsets within less than
// 3 rows of the line through the other two); the first found keeps a tie.
// With `flatCounts`, a combination that becomes the best while its four
// neighbour differences lie within +-1 counts as 10 and ends the search.
FitChoice BestFiveLineFit(const FitLine (&lines)[5], bool flatCounts = false);

// The line dropped from a score of 4 to 9: the most failed triples, and on
// equal counts the first of a..e whose drop is possible (a needs e present,
// the others need a). -1 when none can be dropped.
int DroppedLine(const FitChoice& c);

// The lower border through the chosen offsets: offset at the middle line and
// slope per line spacing, both truncated. ok false for a score under 4 or a
// missing line the formula needs.
struct BorderFit {
  bool ok = false;
  int offset = 0;
  int slope = 0;
};
BorderFit LowerBorderFit(const FitChoice& c);

}  // namespace kelmar::plate
