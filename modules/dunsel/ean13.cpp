// EAN-13: 59 elements from a bar start, module counts per character, L/G
// matching by squared width error, direction from the parities, the first
// digit from the left half's parities and the modulo-10 check.
#include <algorithm>
#include <cmath>

#include "bar_runs.h"
#include "row_decoder.h"

namespace dunsel {

namespace {

constexpr int kElements = 59;

// Widths of the four elements of a character; even rows L, odd rows G, row
// k stands for digit k / 2. Right-half characters match the L rows.
constexpr char kWidths[20][5] = {"3211", "1123", "2221", "1222", "2122", "2212", "1411", "1141", "1132", "2311",
                                 "1231", "1321", "1114", "4111", "1312", "2131", "1213", "3121", "3112", "2113"};

// Parities of the left half (1 L, 2 G) for first digits 0 to 9.
constexpr char kParities[10][7] = {"111111", "112122", "112212", "112221", "121122",
                                   "122112", "122211", "121212", "121221", "122121"};

bool CharacterStart(int e) {
  return (e >= 3 && e <= 23 && (e - 3) % 4 == 0) || (e >= 32 && e <= 52 && (e - 32) % 4 == 0);
}

// Module counts of the 59 elements; false when a character's elements are
// too unequal or the counts do not add up to a symbol.
bool ModuleCounts(const float* w, int* counts) {
  float module = (w[0] + w[1] + w[2]) / 3.0f;
  int total = 0;
  for (int e = 0; e < kElements; ++e) {
    if (CharacterStart(e)) {
      const float lo = std::min({w[e], w[e + 1], w[e + 2], w[e + 3]});
      const float hi = std::max({w[e], w[e + 1], w[e + 2], w[e + 3]});
      if (hi > 10.0f * lo) return false;
      module = (w[e] + w[e + 1] + w[e + 2] + w[e + 3]) / 7.0f;
    }
    const int c = static_cast<int>(w[e] / module + 0.5f);  // floor: the quotient is not negative
    counts[e] = c < 1 ? 1 : c;
    total += counts[e];
    if (total > 96) return false;  // dropped either way; most starts end here
  }
  return total >= 94;
}

struct Candidate {
  std::array<char16_t, 14> text;
  int parity[12];
  int perfect = 0;
};

// Row errors of the twelve characters in reading order, worked out as far
// as a match asks: most candidates fail within their first characters.
class CharacterErrors {
 public:
  explicit CharacterErrors(const int* counts) : counts_(counts) {}
  const int* operator[](int ch) {
    for (; known_ <= ch; ++known_) {
      const int e = known_ < 6 ? 3 + 4 * known_ : 32 + 4 * (known_ - 6);
      for (int r = 0; r < 20; ++r) {
        int err = 0;
        for (int k = 0; k < 4; ++k) err += WidthError(kWidths[r][k] - '0', counts_[e + k]);
        errors_[known_][r] = err;
      }
    }
    return errors_[ch];
  }

 private:
  const int* counts_;
  int known_ = 0;
  int errors_[12][20];
};

// Matches the twelve characters; false when one has no row below error 3.
// The right half holds R characters only, matched against the L rows when
// read from the start and, read from the end, against the G rows (an R
// character backwards): a G or L character there is never a symbol's, and
// taking it would let the check digit alone decide the read.
bool MatchCharacters(CharacterErrors& errors, bool reversed, Candidate& c) {
  for (int ch = 0; ch < 12; ++ch) {
    const bool rightHalf = reversed ? ch < 6 : ch >= 6;
    const int step = rightHalf ? 2 : 1;
    const int* err = errors[ch];
    int best = -1;
    for (int r = rightHalf && reversed ? 1 : 0; r < 20; r += step) {
      if (err[r] < 3 && (best < 0 || err[r] < err[best])) best = r;
    }
    if (best < 0) return false;
    // The centre guard selects the sixth character once more.
    if (err[best] == 0) c.perfect += ch == 5 ? 2 : 1;
    c.text[ch + 1] = static_cast<char16_t>(u'0' + best / 2);
    const bool even = best % 2 == 0;
    c.parity[ch] = ch < 6 ? (even ? 1 : 2) : (even ? 2 : 1);
  }
  return true;
}

// The centre guard is five elements of one module.
bool CentreGuardHolds(const int* counts) {
  for (int e = 27; e <= 31; ++e) {
    if (counts[e] != 1) return false;
  }
  return true;
}

}  // namespace

void DecodeEan13(SampleSlot& slot, int n, bool whiteBars, bool refine, LineElements& elements, Ean13Line& line) {
  if (n < 3) return;
  ExtractBarRuns(slot, n, whiteBars, refine);
  elements.Measure(slot, n);
  float widths[kElements];
  int counts[kElements];
  // Every bar start: sample 0 when it is a bar, then each change into a bar.
  for (int opened = -1; opened < elements.changes(); ++opened) {
    const int i = opened < 0 ? 0 : elements.change(opened);
    if (!BarBegins(slot, i)) continue;
    const int close = opened + 1;                            // the change that closes the first element
    if (close + kElements - 1 >= elements.changes()) break;  // the line ends first
    widths[0] = elements.first(slot, i, close);
    for (int k = 1; k < kElements; ++k) widths[k] = elements.inner(close + k);
    const int end = elements.change(close + kElements - 1);
    if (!ModuleCounts(widths, counts)) continue;

    if (!CentreGuardHolds(counts)) continue;
    CharacterErrors errors(counts);
    // Read from the start, then from the end; the first reading that passes
    // its check stands.
    for (bool reversed : {false, true}) {
      Candidate c;
      for (int p = 0; p < 13; ++p) c.text[p] = u'x';
      c.text[0] = u'0';
      c.text[13] = 0;
      if (!MatchCharacters(errors, reversed, c)) continue;
      if (c.perfect < 12 || c.perfect < line.digitCount) continue;
      line.digitCount = c.perfect;
      line.text = c.text;
      line.forward = !reversed;
      std::array<char16_t, 14>& t = line.text;
      if (reversed) {
        std::reverse(t.begin() + 1, t.begin() + 13);
        std::reverse(c.parity, c.parity + 12);
      }
      int first = -1;
      for (int d = 0; d < 10 && first < 0; ++d) {
        bool same = true;
        for (int p = 0; p < 6; ++p) same = same && kParities[d][p] - '0' == c.parity[p];
        if (same) first = d;
      }
      if (first < 0) continue;
      t[0] = static_cast<char16_t>(u'0' + first);

      int sum = 0;
      for (int p = 0; p < 12; ++p) sum += (t[p] - u'0') * (p % 2 == 0 ? 1 : 3);
      line.found = (10 - sum % 10) % 10 == t[12] - u'0';
      if (line.found) {
        line.digitCount = 13;
        line.ends = {static_cast<double>(slot.sampleX[i]), static_cast<double>(slot.sampleY[i]),
                     static_cast<double>(slot.sampleX[end]), static_cast<double>(slot.sampleY[end])};
        break;
      }
    }
  }
}

}  // namespace dunsel
