// Stroke counts of four line sets, the top side of the middle columns, the
// row spans, and the ink shares and holes the segmentation measured.
#include <algorithm>
#include <array>
#include <cmath>

#include "latin/latin_ocr.h"

namespace kelmar {

namespace {

// Smallest, largest and second largest count of a line set, from 10, 1, 1.
struct LineSet {
  int smallest = 10, largest = 1, second = 1, lines = 0;
  void Add(int x) {
    ++lines;
    smallest = std::min(smallest, x);
    if (x >= largest) {
      second = largest;
      largest = x;
    } else {
      second = std::max(second, x);
    }
  }
};

// Row spans: every row of a letter up to 199 rows, every second up to 299,
// ... never more than 100.
constexpr int kMaxSpans = 100;

}  // namespace

void CMatchLatinOCR::StrokeSpanShareTests(int letter) {
  using namespace latin;
  FeatureContext& f = features_;
  const LetterRecord& rec = letters_[letter];
  const Frame* img = letterFrame(letter);
  const int W = f.W, H = f.H, w1 = W - 1, h1 = H - 1;

  // Crossings.
  LineSet a1, a2, b, c, d;
  for (int x = static_cast<int>(0.4 * W + 1); x < 0.6 * W; ++x) {
    a1.Add(Crossings(img, x, h1, x, 0, 2));
    a2.Add(Crossings(img, x, h1, x, 0.4 * H, 2));
  }
  for (int r = static_cast<int>(0.4 * H + 1); r < 0.61 * H; ++r) b.Add(Crossings(img, 0, r, w1, r, 0));
  for (int r = static_cast<int>(0.08 * H); r < 0.29 * H; ++r) c.Add(Crossings(img, 0, r, w1, r, 0));
  for (int r = static_cast<int>(0.72 * H); r < 0.93 * H; ++r) d.Add(Crossings(img, 0, r, w1, r, 0));

  if (a1.smallest == 1) f.Add(kA1Min1);
  else if (a1.smallest == 2) f.Add(kA1Min2);
  if (a1.second == 1 || a1.lines == 0) f.Add(kA1Second1);
  else if (a1.second == 3) f.Add(kA1Second3);
  else if (a1.second == 2) f.Add(kA1Second2);
  if (a2.smallest == 2) f.Add(kA2Min2);
  if (a2.second == 1) f.Add(kA2Second1);
  else if (a2.second == 2) f.Add(kA2Second2);
  if (b.smallest == 1) f.Add(kBMin1);
  else if (b.smallest > 1 || b.lines == 0) f.Add(kBMinMore);
  if (b.second == 1) f.Add(kBSecond1);
  else if (b.second > 1) f.Add(kBSecondMore);
  if (b.smallest > 2) f.Add(kBMin3);
  if (b.second > 3) f.Add(kBSecond4);
  if (c.smallest > 1 || c.lines == 0) f.Add(kCMinMore);
  if (c.second == 1) f.Add(kCSecond1);
  else if (c.second > 1) f.Add(kCSecondMore);
  if (c.smallest == 3 || c.second == 3) f.Add(kCThree);
  if (c.second == 2) f.Add(kCSecond2);
  if (d.smallest == 1) f.Add(kDMin1);
  else if (d.smallest > 1 || d.lines == 0) f.Add(kDMinMore);
  if (d.second == 1) {
    f.Add(kDSecond1);
  } else if (d.second > 1) {
    f.Add(kDSecondMore);
    if (d.second == 3) f.Add(kDSecond3);
  }

  // Top side of the middle columns, positions 1-based.
  {
    int g = 0;
    for (int x = static_cast<int>(0.3 * W); x < 0.61 * W; ++x) g = std::max(g, FirstDark(img, x, 0.25 * H, x, H, 3, 0));
    f.Add(g <= 0.4 * H ? kTopMiddle : kTopMiddleElse);
  }

  // Row spans, in an array sized for their rows.
  std::array<int, kMaxSpans> span{};
  int n = 0;
  const int step = 1 + H / 100;
  for (int r = 0; r < H && n < kMaxSpans; r += step) {
    const int left = FirstDark(img, 0, r, w1, r, 0);
    const int right = FirstDark(img, w1, r, 0, r, 1);
    span[n++] = W - right - left;
  }
  for (int i = static_cast<int>(0.8 * n); i < n; ++i) {
    if (span[i] > 0.4 * W) f.Add(kSpanWideRow);
    if (i >= 0.9 * n && span[i] > 0.3 * W) {
      f.Add(kSpanWideTop);
      break;
    }
  }
  {
    int rows = 0, wide = 0, top = 0, low = W;
    for (int i = static_cast<int>(0.1 * n); i < 0.9 * n; ++i) {
      ++rows;
      if (span[i] > 0.5 * W) ++wide;
      if (i >= 0.7 * n) top = std::max(top, span[i]);
      if (i <= 0.3 * n) low = std::min(low, span[i]);
    }
    if (wide > 0.5 * rows) f.Add(kSpanMostWide);
    if (wide < 0.5 * rows) f.Add(kSpanFewWide);
    if (wide > 0.6 * rows) f.Add(kSpanManyWide);
    if (wide < 0.75 * rows) f.Add(kSpanNotMostlyWide);
    if (top < 0.5 * W) f.Add(kSpanNarrowTop);
    if (top - low < 0.15 * W) f.Add(kSpanEven);
  }
  {
    int wide = 0;
    for (int i = static_cast<int>(0.25 * n); i <= 0.75 * n && i < n; ++i)
      if (span[i] > 0.25 * W) ++wide;
    if (wide < 0.2 * n) f.Add(kSpanThin);
  }

  // Shares and holes.
  if (rec.leftShare > 0.65f || rec.leftShare < 0.35f) f.Add(kShareLeftRight);
  if (rec.lowerShare > 0.65f || rec.lowerShare < 0.35f) f.Add(kShareLowerUpper);
  if (rec.leftShare > 0.55f) f.Add(kShareLeft);
  else if (rec.leftShare < 0.45f) f.Add(kShareRight);
  if (rec.lowerShare > 0.55f) f.Add(kShareLower);
  else if (rec.lowerShare < 0.45f) f.Add(kShareUpper);
  if (rec.holeCount == 0) f.Add(kNoHole);
  if (rec.holeCount == 1) {
    f.Add(kOneHole);
    const float rowShare = rec.holes[1], area = rec.holes[2];
    if (area < 0.12f) f.Add(kHoleSmall);
    if (rowShare > 0.4f) f.Add(kHoleHigh);
    if (rowShare < 0.56f) f.Add(kHoleBelowMiddle);
    if (rowShare < 0.35f) f.Add(kHoleLow);
    else if (rowShare > 0.65f) f.Add(kHoleLowElse);
  }
  if (rec.holeCount == 2) {
    f.Add(kTwoHoles);
    const float* h = rec.holes.data();
    if (std::fabs(h[0] - h[3]) > 0.2f || std::fabs(h[1] - h[4]) < 0.25f) f.Add(kTwoHolesApart);
  }
}

}  // namespace kelmar
