// Code 39: the start/stop character found in both reading directions, every
// start paired with every stop of its direction (longest pair first), the
// characters between matched exactly, the optional modulo-43 check and the
// optional Full ASCII pairs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "bar_runs.h"
#include "row_decoder.h"
#include "symbol_tables.h"

namespace dunsel {

namespace {

constexpr int kMaxValues = 255;

// The light margin that a start and a stop need outside them, in modules:
// past the inter-character gap and into where the next character's bar
// would lie, when the "*" is a character of a longer symbol that blur made
// look like one. Margins of 2 to 8 modules read the same on the test
// corpora; a narrow one keeps labels printed tight to their edge.
constexpr float kQuiet = 3.0f;
// The samples next to the outer bar are on its blurred edge.
constexpr float kEdge = 0.75f;

// Module counts of Code 39: narrow 1, wide 2; 0 counts as narrow and 3 as
// wide.
int Count(float w, float module) {
  const int c = static_cast<int>(std::lround(w / module));
  return c == 0 ? 1 : (c == 3 ? 2 : c);
}

bool MatchesStar(const Code39Tables& t, const int* counts, bool reversed) {
  const char* p = t.symbols[0].pattern;
  for (int k = 0; k < 9; ++k) {
    if (counts[k] != p[reversed ? 8 - k : k] - '0') return false;
  }
  return true;
}

// Start candidates (ten elements: "*" and its gap, read in the walk's
// direction) and stop candidates (nine elements: "*" read from its end)
// from one walk over the line.
void FindCandidates(const Code39Tables& t, const SampleSlot& s, int n, const LineElements& el, int step,
                    Code39Work& w) {
  const bool forward = step > 0;
  for (int opened = -1; opened < el.changes(); ++opened) {
    const int i = opened < 0 ? (forward ? 0 : n - 1) : el.change(opened);
    const int before = i - step;
    if (s.barSpace[i] != 0 || (before >= 0 && before < n && s.barSpace[before] == 0)) continue;
    const int close = opened + 1;
    if (close + 8 >= el.changes()) break;
    float wd[10];
    wd[0] = el.first(s, i, close);
    const bool withGap = close + 9 < el.changes();
    for (int k = 1; k < (withGap ? 10 : 9); ++k) wd[k] = el.inner(close + k);
    int counts[10];
    float total = 0.0f;
    for (int k = 0; k < 9; ++k) total += wd[k];
    for (int k = 0; k < 9; ++k) counts[k] = Count(wd[k], total / 12.0f);
    if (MatchesStar(t, counts, true)) {
      // The stop's last sample in the walk: just before the next change.
      w.stops.push_back({el.change(close + 8) - step, !forward, 0});
    }
    if (!withGap) continue;
    total += wd[9];
    for (int k = 0; k < 9; ++k) counts[k] = Count(wd[k], total / 13.0f);
    if (MatchesStar(t, counts, false)) w.starts.push_back({el.change(close + 9), forward, 0});
  }
}

// Ink of a sample: larger on bars, whatever their colour.
int Ink(const SampleSlot& s, int i, bool whiteBars) { return whiteBars ? s.sampleValues[i] : -s.sampleValues[i]; }

// Where a blurred character inside a longer symbol passes for a start or
// stop, the next character's bar lies a gap beyond it; a true start or stop
// has light ground there. Grey values decide, not the bar/space classes,
// which noise splits a light margin into: from the blurred edge out to
// kQuiet modules every sample must be lighter than halfway between the
// weakest bar and the weakest space of the start and the stop themselves.
// A line that ends sooner is quiet where it ends.
class QuietZones {
 public:
  QuietZones(const SampleSlot& s, int n, const LineElements& el, int step, bool whiteBars)
      : s_(s), n_(n), el_(el), step_(step), whiteBars_(whiteBars) {}

  bool Around(int opened, int last, float module) {
    bar_ = INT32_MAX;
    space_ = INT32_MIN;
    Levels(opened - 10);
    Levels(last);
    const int half = static_cast<int>((static_cast<int64_t>(bar_) + space_) / 2);
    return Light(At(opened - 10) - step_, -step_, module, half) && Light(At(last + 9), step_, module, half);
  }

 private:
  // The sample where change c lies, the line's ends standing for changes
  // before the first and after the last.
  int At(int c) const {
    if (c < 0) return step_ > 0 ? 0 : n_ - 1;
    if (c >= el_.changes()) return step_ > 0 ? n_ : -1;
    return el_.change(c);
  }

  // The nine elements that open at change c: the weakest bar's darkest
  // ink and the weakest space's lightest.
  void Levels(int c) {
    for (int k = 0; k < 9; ++k) {
      const int from = At(c + k), to = At(c + k + 1);
      int most = INT32_MIN, least = INT32_MAX;
      for (int i = from; i != to; i += step_) {
        const int ink = Ink(s_, i, whiteBars_);
        most = std::max(most, ink);
        least = std::min(least, ink);
      }
      if (from == to) continue;
      if (k % 2 == 0) bar_ = std::min(bar_, most);
      else space_ = std::max(space_, least);
    }
  }

  bool Light(int edge, int dir, float module, int half) const {
    const int first = std::max(static_cast<int>(std::ceil(kEdge * module)) - 1, 0);
    const int last = static_cast<int>(kQuiet * module) - 1;
    for (int j = first; j <= last; ++j) {
      const int i = edge + dir * j;
      if (i < 0 || i >= n_) return true;
      if (Ink(s_, i, whiteBars_) >= half) return false;
    }
    return true;
  }

  const SampleSlot& s_;
  int n_;
  const LineElements& el_;
  int step_;
  bool whiteBars_;
  int bar_ = 0, space_ = 0;
};

void FoldFullAscii(const Code39Tables& t, std::u16string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    int code = -1;
    if (i + 1 < text.size()) {
      for (int c = 0; c < static_cast<int>(t.fullAscii.size()) && code < 0; ++c) {
        const auto& row = t.fullAscii[static_cast<size_t>(c)];
        if (row[1] != 0 && row[0] == text[i] && row[1] == text[i + 1]) code = c;
      }
    }
    if (code < 0) {
      out.push_back(text[i++]);
      continue;
    }
    out.push_back(static_cast<char16_t>(code >= 128 ? 127 : code));  // "%X", "%Y", "%Z" are DEL
    i += 2;
  }
  text.swap(out);
}

}  // namespace

int DecodeCode39(const Code39Tables& tables, SampleSlot& slot, int n, bool whiteBars, bool fullAscii, bool checksum,
                 bool refine, LineElements& fwd, LineElements& rev, Code39Work& work, std::u16string& text,
                 LineEnds& ends) {
  ends = LineEnds{};
  if (n < 3) return 0;
  ExtractBarRuns(slot, n, whiteBars, refine);
  fwd.Measure(slot, n, +1);
  rev.Measure(slot, n, -1);
  work.starts.clear();
  work.stops.clear();
  FindCandidates(tables, slot, n, fwd, +1, work);
  FindCandidates(tables, slot, n, rev, -1, work);
  if (work.starts.empty() || work.stops.empty()) return 0;

  work.pairs.clear();
  for (const PatternCandidate& stop : work.stops) {
    for (const PatternCandidate& start : work.starts) {
      if (start.forward != stop.forward) continue;
      if (start.forward ? start.sample < stop.sample : start.sample > stop.sample) work.pairs.push_back({start, stop});
    }
  }
  std::stable_sort(work.pairs.begin(), work.pairs.end(), [](const CandidatePair& a, const CandidatePair& b) {
    return std::abs(a.start.sample - a.stop.sample) > std::abs(b.start.sample - b.stop.sample);
  });

  int status = 0;
  std::vector<int>& values = work.values;
  for (const CandidatePair& pair : work.pairs) {
    const LineElements& el = pair.start.forward ? fwd : rev;
    const int opened = el.changeAt(pair.start.sample);
    const int last = el.changeAt(pair.stop.sample);
    if (opened < 0 || last < 0) continue;
    const int elements = last - opened;
    if (elements <= 0 || elements % 10 != 0) continue;
    values.clear();
    bool ok = true;
    float module = 0.0f, span = 0.0f;
    for (int g = 0; g < elements && ok; g += 10) {
      float wd[10], sum = 0.0f;
      for (int k = 0; k < 10; ++k) {
        const int c = opened + 1 + g + k;
        wd[k] = g + k == 0 ? el.first(slot, pair.start.sample, c) : el.inner(c);
        sum += wd[k];
      }
      module = sum / 13.0f;
      span += sum;
      int counts[9];
      for (int k = 0; k < 9; ++k) counts[k] = Count(wd[k], module);
      int row = -1;
      // Row 0 ("*") only marks the ends of the symbol.
      for (int r = 1; r < 44 && row < 0; ++r) {
        bool same = true;
        for (int k = 0; k < 9 && same; ++k) same = counts[k] == tables.symbols[static_cast<size_t>(r)].pattern[k] - '0';
        if (same) row = r;
      }
      if (row < 0) {
        ok = false;
        break;
      }
      values.push_back(row - 1);
    }
    if (!ok) continue;
    const int count = static_cast<int>(values.size());
    const float meanModule = span / (13.0f * static_cast<float>(count));
    if (!QuietZones(slot, n, el, pair.start.forward ? +1 : -1, whiteBars).Around(opened, last, meanModule)) continue;
    if (count > kMaxValues || (count == kMaxValues && !checksum)) {
      status = std::max(status, 1);
      continue;
    }
    if (checksum) {
      int sum = 0;
      for (int k = 0; k + 1 < count; ++k) sum += values[static_cast<size_t>(k)];
      if (count < 1 || sum % 43 != values.back()) {
        status = std::max(status, 2);
        text.assign(values.begin(), values.end());
        continue;
      }
    }
    text.clear();
    for (int k = 0; k < count - (checksum ? 1 : 0); ++k) {
      text.push_back(tables.symbols[static_cast<size_t>(values[static_cast<size_t>(k)] + 1)].character);
    }
    if (fullAscii) FoldFullAscii(tables, text);
    const double sx = slot.sampleX[pair.start.sample], sy = slot.sampleY[pair.start.sample];
    const double tx = slot.sampleX[pair.stop.sample], ty = slot.sampleY[pair.stop.sample];
    const double dx = sx - tx, dy = sy - ty, len = std::hypot(dx, dy);
    const double ux = len > 0 ? dx / len : 0.0, uy = len > 0 ? dy / len : 0.0;
    ends = {sx + ux * 13.0 * module, sy + uy * 13.0 * module, tx - ux * 12.0 * module, ty - uy * 12.0 * module};
    return 3;
  }
  return status;
}

}  // namespace dunsel
