#include "line_votes.h"

namespace dunsel {

bool LineKey::SameLine(const LineKey& o) const {
  const bool same = x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1;
  const bool reversed = x0 == o.x1 && y0 == o.y1 && x1 == o.x0 && y1 == o.y0;
  return same || reversed;
}

bool LineVotes::Add(std::u16string_view text, const LineKey& line, const LineEnds& ends, bool forward) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    if (e.text != text) continue;
    if (e.confirmed || e.firstLine.SameLine(line)) return false;
    e.confirmed = true;
    if (firstConfirmed_ >= 0) return false;
    firstConfirmed_ = static_cast<int>(i);
    return true;
  }
  entries_.push_back(Entry{std::u16string(text), line, ends, forward, false});
  return false;
}

const LineVotes::Entry* LineVotes::Choice() const {
  if (firstConfirmed_ >= 0) return &entries_[static_cast<size_t>(firstConfirmed_)];
  return entries_.size() == 1 ? &entries_[0] : nullptr;
}

}  // namespace dunsel
