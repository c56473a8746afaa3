// The texts that the scan lines of one run decoded, and the one the run
// reports. A single line can decode a false symbol (a start pattern found in
// texture beside the label, a check character that matches by chance), so a
// text is taken once two different lines decoded it; a text seen on one line
// only is taken when it is the only text seen, and several texts each seen
// once give no answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "row_decoder.h"

namespace dunsel {

// A scan line by its integer end points: lines with the same pixels (a
// repeated angle, the opposite direction, lines closer than a pixel) are
// one witness.
struct LineKey {
  int x0, y0, x1, y1;
  bool SameLine(const LineKey& o) const;
};

class LineVotes {
 public:
  struct Entry {
    std::u16string text;
    LineKey firstLine;
    LineEnds ends;  // where the first line met the symbol, for the mark
    bool forward;
    bool confirmed;  // a second line decoded it
  };

  // Records that `line` decoded `text`; true when this makes the text the
  // first confirmed one.
  bool Add(std::u16string_view text, const LineKey& line, const LineEnds& ends, bool forward);

  // The text to report: the first confirmed one, else the only text seen,
  // else none.
  const Entry* Choice() const;
  // Lines decoded texts, but none can be chosen.
  bool Ambiguous() const { return !entries_.empty() && !Choice(); }

 private:
  std::vector<Entry> entries_;
  int firstConfirmed_ = -1;
};

}  // namespace dunsel
