// Reading the segmented line: letters left to right with their marks, then
// a second sweep over the letters left unresolved, and the drawing.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/run_args.h"
#include "latin/latin_ocr.h"
#include "talvix.h"

namespace kelmar {

namespace {

using latin::kClassCharacters;
using latin::kClassCount;

constexpr char16_t kUnknown = u'?';

void AddToMean(float& mean, int& count, float value) {
  mean = (mean * static_cast<float>(count) + value) / static_cast<float>(count + 1);
  ++count;
}

// Smallest vote over classes first..last, how many classes hold it and the
// highest of them.
struct Minimum {
  int vote = 0, count = 0, cls = -1;
};
Minimum FindMinimum(const int32_t* row, int first, int last) {
  Minimum m;
  for (int c = first; c <= last; ++c) {
    if (m.cls < 0 || row[c] < m.vote) {
      m = {row[c], 1, c};
    } else if (row[c] == m.vote) {
      ++m.count;
      m.cls = c;
    }
  }
  return m;
}

bool IsDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }
bool IsSmall(char16_t ch) { return ch >= u'a' && ch <= u'z'; }
bool IsCapital(char16_t ch) { return ch >= u'A' && ch <= u'Z'; }
bool IsDescender(char16_t ch) { return ch == u'g' || ch == u'j' || ch == u'p' || ch == u'q' || ch == u'y'; }

// Class lists of the height votes.
constexpr int kSmallPlain[] = {42, 43, 45, 47, 51, 55, 56, 57, 60, 61, 63, 64, 65, 66, 68, 39, 40, 41, 99, 103,
                               105, 107, 109, 111, 115, 116, 118, 120, 122, 124, 126};
constexpr int kSmallAccented[] = {70, 74, 76, 78, 80, 82, 86, 87, 89, 91, 93, 95, 97};
constexpr int kTallSmall[] = {44, 46, 48, 49, 50, 52, 53, 54, 58, 59, 62, 67};
constexpr int kTallAccented[] = {69, 71, 72, 73, 75, 77, 79, 81, 85, 88, 92, 90, 94, 96};
constexpr int kDescenders[] = {49, 52, 58, 59, 67};
static_assert(std::size(kSmallPlain) == 31 && std::size(kSmallAccented) == 13 && std::size(kTallSmall) == 12 &&
              std::size(kTallAccented) == 14);

template <size_t N>
void AddAll(int32_t* row, const int (&classes)[N]) {
  for (int c : classes) ++row[c];
}

// Digits, capitals and tall letters (list D of the height votes).
void AddTall(int32_t* row) {
  for (int c = 0; c <= 35; ++c) ++row[c];
  for (int c : {44, 46, 48, 49, 50, 52, 53, 54, 58, 59, 67, 36, 37, 38, 98, 100, 101, 102, 104, 106, 108, 110, 112,
                114, 117, 119, 121, 123, 125})
    ++row[c];
}

}  // namespace

void CMatchLatinOCR::WriteChar(int position, char16_t ch, int letter) {
  if (position >= static_cast<int>(text_.size())) text_.resize(position + 1, u' ');
  text_[position] = ch;
  if (letter >= 0) letters_[letter].character[0] = ch;
  if (hostString_) SetStringChar(position, ch, hostString_);
}

void CMatchLatinOCR::WriteClass(int position, int cls, int letter) {
  WriteChar(position, kClassCharacters[cls], letter);
  UpdateLineMetrics(letter, cls);
}

bool CMatchLatinOCR::ReadLine(const frame::RunArgs& a) {
  const int n = letterCount_;
  float hm = 0;
  for (int i = 0; i < n; ++i) hm += static_cast<float>(letters_[i].bottom - letters_[i].top + 1);
  hm = n > 0 ? hm / static_cast<float>(n) : 0;
  const float tall = std::max(0.7f * hm, 15.0f);
  const auto height = [&](int i) { return letters_[i].bottom - letters_[i].top + 1; };
  const auto width = [&](int i) { return letters_[i].right - letters_[i].left + 1; };
  float wm = 0;
  int wide = 0;
  for (int i = 0; i < n; ++i)
    if (height(i) > tall && width(i) > 10) {
      wm += static_cast<float>(width(i));
      ++wide;
    }
  if (wide == 0) return false;
  wm /= static_cast<float>(wide);

  // The host's string, emptied first: a longer earlier text must not keep
  // its tail. Without it the text is still read into our own buffer.
  hostString_ = nullptr;
  const frame::ParamName name = frame::OutputName(a, 0);
  HostString* hs = nullptr;
  if (name.ok && GetString(a.ctx, 63, name.c_str(), 0, &hs) && hs) {
    hostString_ = hs;
    SetObjectMaxIndex(a.ctx, 63, name.c_str(), 0);
    SetZeroString(hs);
  }
  text_.clear();
  order_.assign(static_cast<size_t>(2 * n + 1), -1);
  ClearLineStatistics();
  const bool marks = latin::ReadsMarks(selection_);
  const bool umlauts = selection_ == 0;
  int p = 0, previousRight = 0;
  for (;;) {
    // Loop until no unread tall letter remains: a mark found for two letters
    // must not end the line early.
    int L = -1;
    for (int i = 0; i < n; ++i)
      if (height(i) > tall && !letters_[i].consumed && (L < 0 || letters_[i].left < letters_[L].left)) L = i;
    if (L < 0) break;
    LetterRecord& rec = letters_[L];
    if (p > 0 && rec.left - previousRight > 0.5f * wm) WriteChar(p++, u' ', -1);
    previousRight = rec.right;
    classifier_(*this, L);
    rec.featured = 1;

    int marksFound = 0, mark = -1;
    for (int i = 0; i < n; ++i) {
      const LetterRecord& m = letters_[i];
      if (m.top > rec.bottom && (m.bottom - m.top) > 0.1 * (rec.bottom - rec.top) &&
          std::abs(m.left + m.right - rec.left - rec.right) < 0.8 * (rec.right - rec.left)) {
        ++marksFound;
        mark = i;
      }
    }
    int32_t* row = voteRow(L);
    order_[p] = L;
    if (marksFound >= 2 && umlauts) {
      int best = latin::kFirstUmlaut;
      for (int c = latin::kFirstUmlaut; c <= latin::kLastUmlaut; ++c)
        if (row[c] <= row[best]) best = c;
      WriteChar(p++, kClassCharacters[best], L);
      if (best <= 38)
        AddToMean(stats_.capitalHeight, stats_.capitalCount, static_cast<float>(height(L)));
      else
        AddToMean(stats_.smallLetterHeight, stats_.smallLetterCount, static_cast<float>(height(L)));
      AddToMean(stats_.meanTop, stats_.meanTopCount, static_cast<float>(rec.top));
      rec.consumed = 1;
      letters_[mark].consumed = 1;
    } else if (marksFound == 0) {
      for (int c = latin::kFirstMarkClass; c < kClassCount; ++c) row[c] += latin::kExcluded;
      Minimum m = FindMinimum(row, 0, latin::kFirstMarkClass - 1);
      while (m.count > 1 && m.cls >= latin::kFirstUmlaut && m.cls <= latin::kLastUmlaut) {
        ++row[m.cls];
        m = FindMinimum(row, 0, latin::kFirstMarkClass - 1);
      }
      if (m.count == 1) WriteClass(p, m.cls, L);
      else WriteChar(p, kUnknown, L);
      ++p;
      rec.consumed = 1;
    } else {
      const MarkKind kind = ClassifyMark(mark);
      const auto pick = [&](int first, int last) {
        const Minimum m = FindMinimum(row, first, last);
        if (m.count == 1) {
          WriteClass(p, m.cls, L);
          return true;
        }
        WriteChar(p, kUnknown, L);
        return false;
      };
      const auto addOutside = [&](int first, int last, int votes) {
        for (int c = 0; c < kClassCount; ++c)
          if (c < first || c > last) row[c] += votes;
      };
      if (marks && kind == kAcute) {
        if (!pick(latin::kFirstAcute, latin::kLastAcute)) addOutside(latin::kFirstAcute, latin::kLastAcute, 2);
      } else if (marks && kind == kCaron) {
        if (!pick(latin::kFirstCaron, latin::kLastCaron)) addOutside(latin::kFirstCaron, latin::kLastCaron, 2);
      } else if (marks && kind == kRing) {
        addOutside(latin::kRingCapital, latin::kRingSmall, 2);
        pick(0, kClassCount - 1);
      } else {
        --row[51];
        --row[52];
        pick(0, kClassCount - 1);
      }
      ++p;
      rec.consumed = 1;
      letters_[mark].consumed = 1;
    }
  }
  positions_ = p;
  SecondSweep();
  return true;
}

// Reference height of the descender and accented-pair tests.
float CMatchLatinOCR::ReferenceHeight() const {
  const LineStatistics& s = stats_;
  if (s.tallSmallLetterCount > 0) return s.tallSmallLetterHeight;
  if (s.smallLetterCount > s.capitalCount) return 1.2f * s.smallLetterHeight;
  return 0.95f * s.capitalHeight;
}

// Mean top of the letters at positions q - 2 .. q + 2 whose character passes
// `keep`; 0 and false when none does.
template <class Keep>
bool CMatchLatinOCR::NeighbourTop(int q, Keep keep, float* mean) const {
  float sum = 0;
  int count = 0;
  for (int i = std::max(0, q - 2); i <= std::min(positions_ - 1, q + 2); ++i)
    if (order_[i] >= 0 && keep(text_[i])) {
      sum += static_cast<float>(letters_[order_[i]].top);
      ++count;
    }
  *mean = count > 0 ? sum / static_cast<float>(count) : 0;
  return count > 0;
}

void CMatchLatinOCR::SecondSweep() {
  const int p = positions_;
  LineStatistics& s = stats_;
  int passes = 2;
  while (passes > 0) {
    --passes;
    for (int q = 0; q < p; ++q) {
      if (text_[q] != kUnknown) continue;
      const int L = order_[q];
      const LetterRecord& rec = letters_[L];
      int32_t* row = voteRow(L);
      const Minimum m = FindMinimum(row, 0, kClassCount - 1);
      const int v = m.vote, c = m.cls, n = m.count;
      const float H = static_cast<float>(rec.bottom - rec.top + 1);
      const auto at = [&](int cls) { return cls >= 0 && cls < kClassCount && row[cls] == v; };
      // Writes the class when exactly one class is still at v.
      const auto take = [&]() {
        const Minimum now = FindMinimum(row, 0, kClassCount - 1);
        if (now.vote == v && now.count == 1) WriteClass(q, now.cls, L);
      };

      if (n == 1) WriteClass(q, c, L);
      if (n == 2 && at(0) && at(24)) continue;
      if ((n <= 3 && at(1)) || at(54)) continue;
      static constexpr int kTwins[] = {45, 51, 57, 61, 63, 64, 65, 66, 68};
      static constexpr int kAccentedPairs[] = {74, 76, 82, 84, 89, 93, 95, 97};
      if (n == 2 && at(c - 33) && std::find(std::begin(kTwins), std::end(kTwins), c) != std::end(kTwins)) {
        const int capital = c - 33;
        if (s.capitalCount > 0 && s.capitalCount >= s.smallLetterCount && s.capitalCount >= s.tallSmallLetterCount) {
          const float hc = s.capitalHeight;
          if (std::fabs(H - hc) < 0.15f * hc) WriteClass(q, capital, L);
          else if (hc - H > 0.15f * hc) WriteClass(q, c, L);
        } else if (s.smallLetterCount > 0 && s.tallSmallLetterCount <= s.smallLetterCount) {
          const float hs = s.smallLetterHeight;
          if (std::fabs(H - hs) < 0.15f * hs) WriteClass(q, c, L);
          else if (H - hs > 0.15f * hs) WriteClass(q, capital, L);
        } else if (s.tallSmallLetterCount > 0) {
          const float ht = s.tallSmallLetterHeight;
          WriteClass(q, H - ht <= -0.1f * ht ? c : capital, L);
        }
      } else if (s.meanTopCount > 0 && std::find(std::begin(kDescenders), std::end(kDescenders), c) !=
                                           std::end(kDescenders)) {
        float top = 0;
        NeighbourTop(
            q,
            [](char16_t ch) {
              return IsDigit(ch) || (IsCapital(ch) && ch != u'Q') || (IsSmall(ch) && !IsDescender(ch));
            },
            &top);
        if (static_cast<float>(rec.top) - top < -0.1f * ReferenceHeight()) {
          WriteChar(q, kClassCharacters[c], L);
          AddToMean(s.tallSmallLetterHeight, s.tallSmallLetterCount, H);
        } else {
          AddAll(row, kDescenders);
          const Minimum now = FindMinimum(row, 0, latin::kFirstMarkClass - 1);
          if (now.vote == v && now.count == 1) WriteClass(q, now.cls, L);
        }
      } else if (n == 2 && at(c - 1) &&
                 std::find(std::begin(kAccentedPairs), std::end(kAccentedPairs), c) != std::end(kAccentedPairs)) {
        if (s.meanTopCount > 0) {
          const float r = ReferenceHeight();
          if (H - r > 0.1f * r) {
            WriteChar(q, kClassCharacters[c - 1], L);
            AddToMean(s.capitalHeight, s.capitalCount, H);
            AddToMean(s.meanTop, s.meanTopCount, static_cast<float>(rec.top));
          } else {
            WriteChar(q, kClassCharacters[c], L);
            if (c != 84) {
              AddToMean(s.tallSmallLetterHeight, s.tallSmallLetterCount, H);
              AddToMean(s.meanTop, s.meanTopCount, static_cast<float>(rec.top));
            }
          }
        }
      } else if (s.meanTopCount > 0) {
        // Position against the neighbours' tops.
        float top = 0;
        if (NeighbourTop(
                q,
                [](char16_t ch) {
                  return ch != u' ' && ch != kUnknown && ch != u'Q' && !IsDescender(ch) && ch != u'ý';
                },
                &top)) {
          float ref;
          if (s.tallSmallLetterCount > s.smallLetterCount && s.tallSmallLetterCount > s.capitalCount)
            ref = s.tallSmallLetterHeight;
          else if (s.smallLetterCount > s.capitalCount)
            ref = 1.2f * s.smallLetterHeight;
          else
            ref = 0.95f * s.capitalHeight;
          const float d = static_cast<float>(rec.top) - top;
          if (d > -0.1f * ref) {
            AddAll(row, kDescenders);
          } else if (d < -0.15f * ref) {
            for (int k = 0; k < kClassCount; ++k)
              if (k != 26 && k != 46 && k != 84 &&
                  std::find(std::begin(kDescenders), std::end(kDescenders), k) == std::end(kDescenders))
                ++row[k];
          }
        }
        // Height against the line's means.
        const float hs = s.smallLetterHeight, ht = s.tallSmallLetterHeight;
        const auto unresolved = [&]() { return text_[q] == kUnknown; };
        if (s.smallLetterCount > s.capitalCount) {
          if (H - hs > 0.15f * hs) {
            AddAll(row, kSmallPlain);
            take();
            if (unresolved() && s.capitalCount > 1) {
              const float hc = s.capitalHeight;
              if (H - hc > 0.2f * hc) {
                AddTall(row);
                AddAll(row, kSmallAccented);
                AddAll(row, kTallSmall);
              }
              if (H - hc < 0.1f * hc) AddAll(row, kTallAccented);
              take();
            }
            if (s.tallSmallLetterCount > 0) {
              if (H - ht > 0.1f * ht) {
                AddAll(row, kSmallAccented);
                AddAll(row, kTallSmall);
              } else {
                AddAll(row, kTallAccented);
                AddTall(row);
              }
            }
          } else {
            AddTall(row);
            AddAll(row, kSmallAccented);
            AddAll(row, kTallAccented);
            AddAll(row, kTallSmall);
            take();
          }
        } else {
          if (s.capitalCount == 0) s.capitalHeight = 1.1f * s.tallSmallLetterHeight;
          const float hc = s.capitalHeight;
          if (H - hc > -0.15f * hc) {
            AddAll(row, kSmallPlain);
            if (H - hc > 0.05f * hc) AddAll(row, kSmallAccented);
            if (H - hc > 0.2f * hc) AddTall(row);
            if (H - hc > 0.1f * hc) AddAll(row, kTallAccented);
            take();
          } else {
            AddTall(row);
            take();
            if (unresolved() && s.smallLetterCount > 0 && H - hs < 0.15f * hs) {
              AddAll(row, kSmallAccented);
              AddAll(row, kTallSmall);
              take();
            }
          }
        }
      }
      if (text_[q] != kUnknown) {
        ++passes;
      } else {
        for (int k = latin::kFirstUmlaut; k <= latin::kLastUmlaut; ++k) ++row[k];
      }
    }
  }

  // Stage B: the plain classes only, ties settled by the neighbours.
  for (int q = 0; q < p; ++q) {
    if (text_[q] != kUnknown) continue;
    const int L = order_[q];
    const int32_t* row = voteRow(L);
    const Minimum m = FindMinimum(row, 0, 68);
    if (m.count == 1) {
      WriteClass(q, m.cls, L);
      continue;
    }
    int digits = 0, small = 0, capitals = 0;
    for (int d : {q - 1, q + 1, q - 2, q + 2}) {
      if (d < 0 || d >= p) continue;
      const char16_t ch = text_[d];
      digits += IsDigit(ch);
      small += IsSmall(ch);
      capitals += IsCapital(ch);
    }
    const bool one = row[1] == m.vote, ell = row[54] == m.vote, eye = row[18] == m.vote;
    if ((one && m.count < 4) || ell) {
      const int digit = (one ? 0 : -5) + digits, sm = (ell ? 0 : -5) + small, cap = (eye ? 0 : -5) + capitals;
      WriteClass(q, sm > digit && sm > cap ? 54 : cap >= digit && cap >= sm ? 18 : 1, L);
    } else if (m.count == 2 && row[0] == m.vote && row[24] == m.vote) {
      WriteClass(q, capitals > digits ? 24 : 0, L);
    }
  }
}

void CMatchLatinOCR::Draw(void* ctx) {
  const TColor colour = GetDrawColor(ctx, 1);
  const double a = region_.angle * 0.017453292519943295;
  const double c = std::cos(a), s = std::sin(a);
  const double w = region_.width, h = region_.height;
  const auto mapX = [&](double u, double v) { return u * c + region_.cx - v * s; };
  const auto mapY = [&](double u, double v) { return u * s + region_.cy + v * c; };
  for (int i = 0; i < letterCount_; ++i) {
    const LetterRecord& r = letters_[i];
    if (!r.featured) continue;
    const double u = r.left - w / 2, v = r.bottom - h / 2;
    // One character: highest index 0.
    DrawString(ctx, 0, r.character, mapX(u, v), mapY(u, v) + 5.0, 0.0, region_.angle, colour);
    if (drawingLevel_ == 2) {
      const double cu = (r.left + r.right) / 2.0 - w / 2, cv = (r.top + r.bottom) / 2.0 - h / 2;
      DrawRectangle(ctx, mapX(cu, cv), mapY(cu, cv), r.right - r.left + 1, r.bottom - r.top + 1, region_.angle,
                    GetDrawThickness(ctx, 1), colour);
    }
  }
}

}  // namespace kelmar
