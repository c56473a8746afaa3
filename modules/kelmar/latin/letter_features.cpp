// The letter classifier's frame: the four contour profiles of a letter, the
// tall-narrow rule, the left-profile tests and the base-letter votes of the
// separate-mark classes.
#include "latin/letter_features.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/image_stats.h"
#include "latin/latin_ocr.h"

namespace kelmar {

namespace latin {

void Profile::Finish(int divisor) {
  imin = -1;
  int lowest = 0;
  for (int i = 0; i < n; ++i)
    if (imin < 0 || raw[i] < lowest) {
      lowest = raw[i];
      imin = i;
    }
  for (int i = 0; i < n; ++i) v[i] = raw[i] - lowest;
  const int last = n - 1;
  ws = last / divisor;
  wc = last - 2 * ws + 1;
  m = s = 0;
  kmax = -1;
  vmax = 0;
  if (wc <= 0 || ws < 0 || ws + wc > n) {
    wc = 0;
    return;
  }
  s = frame::RowMeanAndStdDev(v.data() + ws, wc, 0, &m);
  kmax = ws;
  for (int i = ws + 1; i < ws + wc; ++i)
    if (v[i] > v[kmax]) kmax = i;
  vmax = raw[kmax];
}

float FeatureContext::Dev(const Profile& p, int a, int k, float* mean) {
  if (k >= 1 && (a < 0 || a + k > p.n)) {
    miss = true;
    return 0;
  }
  float m = 0;
  const float s = k >= 1 ? frame::RowMeanAndStdDev(p.v.data() + a, k, 0, &m) : 0.0f;
  if (mean) *mean = m;
  return s;
}

int FeatureContext::Max(const Profile& p, int a, int b) {
  if (a < 0 || b >= p.n || a > b) {
    miss = true;
    return 0;
  }
  return *std::max_element(p.v.begin() + a, p.v.begin() + b + 1);
}

int FeatureContext::Min(const Profile& p, int a, int b) {
  if (a < 0 || b >= p.n || a > b) {
    miss = true;
    return 0;
  }
  return *std::min_element(p.v.begin() + a, p.v.begin() + b + 1);
}

int FeatureContext::FirstMaxIndex(const Profile& p, int a, int count) {
  if (count < 1 || a < 0 || a + count > p.n) {
    miss = true;
    return 0;
  }
  return static_cast<int>(std::max_element(p.v.begin() + a, p.v.begin() + a + count) - p.v.begin());
}

void LeftProfileTests(FeatureContext& f) {
  const Profile& L = f.left;
  const double W = f.W, t = f.t;
  const int E = L.n - 1, M = E / 2, Q = 3 * E / 4;
  const auto P = [&](int i) { return f.At(L, i); };

  // Straight and close, straight and far, or not straight.
  {
    const Profile& w = f.Win(L);
    if (f.Ok()) {
      if (0.25 * W > w.m && t > w.s) {
        f.Add(kLeftClose);
        if (0.5 * t > w.s) f.Add(kLeftCloseG);
        if (0.7 * t > w.s) f.Add(kLeftCloseF);
      } else if (w.m >= 0.25 * W && 0.7 * t > w.s) {
        f.Add(kLeftFar);
      } else {
        f.Add(kLeftElse);
      }
    }
  }
  {
    const int half = L.wc / 2;
    const int a = f.Max(L, L.ws, L.ws + half - 1);
    if (f.Ok() && a > 0.25 * W) f.Add(kLeftD);
    const int b = f.Max(L, E / 2 - 2, E / 2 - 2 + half - 1);
    if (f.Ok() && b > 0.25 * W) f.Add(kLeftQ);
  }
  {
    const float s = f.Dev(L, E / 5, E - 2 * (E / 5) - 1);
    if (f.Ok()) {
      if (s > t) f.Add(kLeftTI);
      if (s > 2 * t) f.Add(kLeftTI2);
    }
  }
  {
    const float s = f.Dev(L, static_cast<int>(0.7 * E), static_cast<int>(0.25 * E));
    if (f.Ok() && s < t) f.Add(kLeftAccents);
  }

  // The numbered tests.
  {
    const float s = f.Dev(L, static_cast<int>(0.2 * E), static_cast<int>(0.45 * E));
    if (f.Ok() && s > t) f.Add(kLeft1);
  }
  {
    const float s = f.Dev(L, static_cast<int>(0.1 * E), static_cast<int>(0.6 * E));
    if (f.Ok() && s > t) f.Add(kLeft2);
  }
  {
    const float s = f.Dev(L, static_cast<int>(0.2 * E), static_cast<int>(0.5 * E));
    if (f.Ok()) f.Add(s > 0.75 * t ? kLeft3 : kLeft3Else);
  }
  {
    const Profile& w = f.Win(L);
    if (f.Ok()) {
      const double vmax = w.vmax, kmax = w.kmax;
      if (vmax > 0.45 * W) f.Add(kLeft4);
      else if (vmax < 0.25 * W) f.Add(kLeft4Else);
      if (vmax > 0.6 * W) f.Add(kLeft5);
      if (kmax < 0.6 * E) {
        f.Add(kLeft6);
        if (kmax < 0.5 * E) f.Add(kLeft6b);
        if (kmax < 0.4 * E) f.Add(kLeft6c);
      }
      if (kmax > 0.5 * E) f.Add(kLeft7);
      if (kmax > 0.25 * E) f.Add(kLeft8);
      if (kmax > 0.4 * E) f.Add(kLeft9);
      if (kmax > 0.7 * E || kmax < 0.25 * E) f.Add(kLeft10);
    }
  }
  {
    const int d = (P(E - 1) + P(E - 2)) - (P(E - 3) + P(E - 4));
    if (f.Ok() && d < -0.05 * W) f.Add(kLeft11);
  }
  {
    const int i = static_cast<int>(0.9 * E);
    const int d = (P(i - 1) + P(i - 2)) - (P(i - 4) + P(i - 5));
    if (f.Ok()) {
      if (d < -0.05 * W) f.Add(kLeft12);
      else if (d > 0.05 * W) f.Add(kLeft12Else);
    }
  }
  {
    const int d = (P(1) + P(3) + P(5)) - (P(6) + P(8) + P(10));
    if (f.Ok()) {
      if (d < 0.05 * W) f.Add(kLeft13);
      if (d > -0.05 * W) f.Add(kLeft14);
    }
  }
  {
    const int d = (P(1) + P(2) + P(3)) - (P(6) + P(7) + P(8));
    if (f.Ok() && d < 0) f.Add(kLeft15);
  }
  {
    const int mid = P(M) + P(M + 1);
    const int d16 = mid - (P(1) + P(2));
    if (f.Ok() && d16 < 0.2 * W) f.Add(kLeft16);
    const int d17 = P(M) + P(M + 1) - (P(E - 2) + P(E - 1));
    if (f.Ok() && d17 > 0.1 * W) f.Add(kLeft17);
    const int d18 = P(M) + P(M + 1) - (P(1) + P(E - 1));
    if (f.Ok() && d18 > 0.1 * W) f.Add(kLeft18);
  }
  {
    const int d = std::abs((P(Q) + P(Q - 1)) - (P(3) + P(4)));
    if (f.Ok() && d > 0.25 * W) f.Add(kLeft19);
  }
  {
    const int d = std::abs((P(M) + P(M - 1)) - (P(3) + P(4)));
    if (f.Ok() && d > 0.25 * W) f.Add(kLeft20);
  }
  {
    const int d = std::abs((P(M) + P(M + 1)) - (P(Q) + P(Q + 1)));
    if (f.Ok() && d > 0.5 * W) f.Add(kLeft21);
  }
  {
    const int sum = P(Q) + P(M);
    if (f.Ok()) {
      if (sum < 0.8 * W) f.Add(kLeft22);
      if (sum < W) f.Add(kLeft23);
    }
  }
  {
    const int m8 = f.Min(L, M - 3, M + 4);
    if (f.Ok()) {
      if (m8 > 0.25 * W) {
        f.Add(kLeft24);
        if (m8 > 0.35 * W) f.Add(kLeft24b);
      }
      if (m8 > 0.65 * W) f.Add(kLeft25);
    }
  }
  {
    const int third = E / 3;
    const int m8 = f.Min(L, third - 3, third + 4);
    if (f.Ok() && m8 < 0.1 * W) f.Add(kLeft26);
  }
  {
    const int x = (P(1) + P(2)) + (P(E - 2) + P(E - 1)) - (P(M - 1) + 2 * P(M) + P(M + 1));
    if (f.Ok()) {
      if (x < 0) f.Add(kLeft27);
      else if (x > 0.2 * W) f.Add(kLeft27Else);
    }
  }
  {
    bool found = false;
    for (int i = 0; i < 0.5 * E && !found; ++i)
      found = P(i + 1) - P(i) > 0.15 * W || P(i + 2) - P(i) > 0.15 * W;
    if (f.Ok() && !found) f.Add(kLeft28);
  }
  {
    int g = 0;
    for (int i = E; i > 0.5 * E; --i) g = std::max(g, P(i - 2) - P(i));
    if (f.Ok() && g < 0.3 * W) {
      f.Add(kLeft29);
      if (g < static_cast<int>(0.15 * W + 0.5)) f.Add(kLeft29b);
    }
  }
  {
    bool found = false;
    for (int i = static_cast<int>(0.8 * E); i > 0.4 * E && !found; --i)
      found = P(i - 1) - P(i) > 0.15 * W || P(i - 2) - P(i) > 0.2 * W;
    if (f.Ok() && !found) f.Add(kLeft30);
  }
}

void CopyBaseLetterVotes(int32_t* row) {
  static constexpr struct {
    int mark, base;
  } kBase[kMarkClassCount] = {
      {98, 14},  {99, 47},  {100, 13}, {101, 29}, {102, 28}, {103, 61}, {104, 12}, {105, 45},
      {106, 23}, {107, 56}, {108, 27}, {109, 60}, {110, 35}, {111, 68}, {112, 34}, {113, 67},
      {114, 10}, {115, 42}, {116, 43}, {117, 18}, {118, 51}, {119, 14}, {120, 47}, {121, 24},
      {122, 57}, {123, 30}, {124, 63}, {125, 30}, {126, 63},
  };
  for (const auto& b : kBase) row[b.mark] = row[b.base];
}

}  // namespace latin

void CMatchLatinOCR::ExtractLetterFeatures(int letter) {
  using namespace latin;
  const LetterRecord& rec = letters_[letter];
  const int saved = scanLetter_;
  scanLetter_ = letter;
  const Frame* img = letterFrame(letter);
  const int h1 = rec.bottom - rec.top, w1 = rec.right - rec.left;
  const int rowStep = h1 > 50 ? h1 / 50 + 1 : 1, colStep = w1 > 30 ? w1 / 30 + 1 : 1;

  FeatureContext& f = features_;
  f = FeatureContext{};
  f.row = &votes_[static_cast<size_t>(letter) * kClassCount];
  f.W = w1 + 1;
  f.H = h1 + 1;
  f.t = std::max(1.0f, 0.05f * static_cast<float>(f.W));

  if (f.H > 4 * f.W) f.Add(kTallNarrow, 3);

  for (int r = 1; r < h1; r += rowStep) {
    const int a = FirstDark(img, 0, r, w1, r, 0);
    if (a < w1) f.left.Append(a);
    const int b = FirstDark(img, w1, r, 0, r, 1);
    if (b < w1) f.right.Append(b);
  }
  for (int c = 1; c < w1; c += colStep) {
    const int a = FirstDark(img, c, h1, c, 0, 2);
    if (a < h1) f.bottom.Append(a);
    const int b = FirstDark(img, c, 0, c, h1, 3);
    if (b < h1) f.top.Append(b);
  }
  f.left.Finish(8);
  f.right.Finish(8);
  f.bottom.Finish(5);
  f.top.Finish(5);

  LeftProfileTests(f);
  RightProfileTests(f);
  BottomProfileTests(f);
  TopProfileTests(f);
  StrokeSpanShareTests(letter);
  CopyBaseLetterVotes(f.row);
  RankingRefinement(letter);
  scanLetter_ = saved;
}

}  // namespace kelmar
