// The right, bottom-side and top-side profile tests of the letter classifier,
// with the bowl depth, the deep run and the second-valley walks.
#include <algorithm>
#include <cstdlib>

#include "latin/letter_features.h"

namespace kelmar::latin {

// Depth of the bowl right of the right profile's window maximum: from w0,
// skip the low entries, climb to the crest, then measure how far the rest of
// the profile drops below it.
int BowlDepth(FeatureContext& f, int F) {
  const Profile& R = f.right;
  const auto at = [&](int i) { return f.At(R, i); };
  const int g = f.Win(R).kmax;
  int j = F / 8;
  while (j < 0.75 * F && at(j) < 0.5 * at(g)) ++j;
  while (j < 0.75 * F && at(j) <= at(j + 1)) ++j;
  return at(j) - f.Min(R, j, F);
}

// The run of the bottom-side profile between its first and last deep part:
// i and j as the deep-run walk leaves them.
void DeepRun(FeatureContext& f, int G, int vmax, int& i, int& j) {
  const Profile& B = f.bottom;
  const auto at = [&](int k) { return f.At(B, k); };
  i = 2;
  while (i < G - 3 && !(at(i) >= 0.5 * vmax)) ++i;
  if (i >= G - 3) i = G - 3;
  while (i + 1 <= G && at(i) <= at(i + 1)) ++i;
  j = G - 3;
  while (j > i && at(j) < 0.5 * vmax) --j;
  while (j > i && at(j) <= at(j - 1)) --j;
}

// A second valley of the bottom-side profile at least G / 4 from its first
// minimum, behind a ridge of 2 to 0.2 H.
bool SecondValley(FeatureContext& f, int G) {
  const Profile& B = f.bottom;
  const auto at = [&](int k) { return f.At(B, k); };
  const int imin = B.imin;
  const double low = 0.2 * f.H;
  const auto leftSearch = [&]() {
    int i = imin;
    while (i > 0 && at(i) <= at(i - 1)) --i;
    if (at(i) <= low && at(i) >= 2 && i > 0) {
      int j = i;
      while (j > 0 && at(j) >= at(j - 1)) --j;
      if (j != i) return imin - j >= G / 4;
    }
    return false;
  };
  const auto rightSearch = [&]() {
    int k = imin;
    while (k < G && at(k) <= at(k + 1)) ++k;
    if (at(k) <= low && at(k) >= 2 && k < G) {
      int j = k;
      while (j < G && at(j) >= at(j + 1)) ++j;
      if (j != k) return j - imin >= G / 4;
    }
    return false;
  };
  if (imin > 0.6 * G) return leftSearch();
  if (imin >= 0.4 * G) return leftSearch() || rightSearch();
  return rightSearch();
}

void RightProfileTests(FeatureContext& f) {
  const Profile& Rp = f.right;
  const Profile& Lp = f.left;
  const double W = f.W, H = f.H, t = f.t;
  const int F = Rp.n - 1, E = Lp.n - 1;
  const int MR = F / 2, Q1 = F / 4, Q3 = 3 * F / 4, w0 = F / 8;
  const auto R = [&](int i) { return f.At(Rp, i); };
  const auto P = [&](int i) { return f.At(Lp, i); };

  {
    const Profile& w = f.Win(Rp);
    if (f.Ok()) {
      const double m = w.m, s = w.s, vmax = w.vmax, kmax = w.kmax;
      if (m < 0.25 * W && s < t) f.Add(kRight1);
      else if (m >= 0.25 * W && s < 0.5 * t) f.Add(kRight1Far);
      else f.Add(kRight1Else);

      if (vmax > 0.45 * W) {
        f.Add(kRight2);
        if (vmax > 0.6 * W && H < 3 * W) f.Add(kRight2I);
      } else if (vmax >= 0.25 * W) {
        f.Add(kRight2Mid);
      } else {
        f.Add(kRight2Else);
      }
      if (vmax < 0.15 * W) f.Add(kRight3);
      if (vmax > 0.6 * W) f.Add(kRight4);
      if (kmax > 0.6 * F) f.Add(kRight5);
      else if (kmax < 0.5 * F) f.Add(kRight5Else);
      if (kmax > 0.3 * F) f.Add(kRight6);
      if (kmax > 0.5 * F) f.Add(kRight7);
      if (kmax > 0.7 * F || kmax < 0.3 * F) f.Add(kRight8);
      if (kmax > 0.8 * F || kmax < 0.4 * F) f.Add(kRight9);
      if (kmax < 0.5 * F) {
        const int d = R(MR) - R(1);
        if (f.Ok() && d > 0.2 * W) f.Add(kRight10);
      }
    }
  }
  {
    const int d = (R(MR) + R(MR + 1)) - (R(F - 2) + R(F - 1));
    if (f.Ok() && d > 0.4 * W) f.Add(kRight11);
  }
  {
    const int d = f.Max(Rp, Q1 + 1, Q1 + 1 + MR) - f.Min(Rp, Q1, Q1 + MR - 1);
    if (f.Ok()) {
      if (d < 0.25 * W) f.Add(kRight12);
      if (d < 0.15 * W) f.Add(kRight13);
    }
  }
  {
    const int u = f.Max(Rp, w0, w0 + MR - 1);
    if (f.Ok()) {
      if (u > 0.25 * W) f.Add(kRight14);
      if (u < 0.5 * W) {
        f.Add(kRight15);
        if (u < 0.4 * W) f.Add(kRight15b);
      }
      if (u < 0.25 * W) f.Add(kRight16);
    }
  }
  {
    const int u = f.Max(Rp, w0, MR - 1);
    if (f.Ok()) {
      if (u > 0.45 * W) f.Add(kRight17);
      else if (u < 0.25 * W) f.Add(kRight17Else);
    }
  }
  {
    const float s = f.Dev(Rp, F / 5, F - 2 * (F / 5) - 1);
    if (f.Ok() && s > t) f.Add(kRight18);
  }
  {
    const float s = f.Dev(Rp, F / 5, F - F / 5);
    if (f.Ok() && s > t) f.Add(kRight19);
  }
  {
    const int d = (R(F - 1) + R(F - 3)) - (R(F - 5) + R(F - 7));
    if (f.Ok() && d > 0) f.Add(kRight20);
  }
  {
    const int d = (R(F) + R(F - 1)) - (R(F - 2) + R(F - 3));
    if (f.Ok() && d > 0) f.Add(kRight21);
  }
  {
    const int d = (R(1) + R(2) + R(3)) - (R(4) + R(5) + R(6));
    if (f.Ok()) {
      if (d < 0.05 * W) f.Add(kRight22);
      if (d > -0.05 * W) f.Add(kRight23);
    }
  }
  {
    const int d = (R(1) + R(3) + P(1) + P(3)) - (R(5) + R(7) + P(5) + P(7));
    if (f.Ok() && d > 0.05 * W) f.Add(kRight24);
  }
  {
    const int s = R(4) + R(5);
    if (f.Ok() && s < W) f.Add(kRight25);
  }
  {
    const int dl = (P(1) + P(2)) - (P(E - 2) + P(E - 1));
    const int dr = (R(1) + R(2)) - (R(F - 2) + R(F - 1));
    if (f.Ok()) {
      if (dl < 0.1 * W || dr < 0.1 * W) f.Add(kRight26);
      if (dl < 0 || dr < 0) f.Add(kRight27);
    }
  }
  {
    const int dl = (P(1) + P(2)) - (P(E - 5) + P(E - 7));
    const int dr = (R(1) + R(2)) - (R(F - 5) + R(F - 7));
    if (f.Ok() && (dl < 0 || dr < 0)) f.Add(kRight28);
  }
  {
    const int d = (R(Q3) + R(Q3 + 1)) - (R(1) + R(2));
    if (f.Ok() && d > -0.2 * W) f.Add(kRight29);
  }
  {
    const int d = std::abs((R(Q3) + R(Q3 - 1)) - (R(1) + R(2)));
    if (f.Ok() && d > 0.25 * W) f.Add(kRight30);
  }
  {
    const int d = (R(1) + R(2)) - (R(F - 1) + R(F));
    if (f.Ok() && d > 1) f.Add(kRight31);
  }
  {
    const int d = (R(1) + R(2)) - (R(3) + R(4));
    if (f.Ok() && d < -1) f.Add(kRight32);
  }
  {
    const int d = (P(E - 1) + P(E - 2) + P(E - 3)) - (R(F - 1) + R(F - 2) + R(F - 3));
    if (f.Ok() && d > W) f.Add(kRight33);
  }
  {
    const int d = (P(static_cast<int>(0.3 * E)) + P(static_cast<int>(0.7 * E))) -
                  (R(static_cast<int>(0.3 * F)) + R(static_cast<int>(0.7 * F)));
    if (f.Ok() && d > 0.7 * W) f.Add(kRight34);
  }
  {
    bool found = false;
    for (int i = 1; i < 0.7 * F && !found; ++i) found = R(i) - R(i + 2) > 0.2 * W;
    if (f.Ok() && !found) f.Add(kRight35);
  }
  {
    bool found = false;
    for (int i = 0; i < 0.4 * F && !found; ++i) found = R(i + 1) - R(i) > 0.15 * W;
    if (f.Ok() && !found) f.Add(kRight36);
  }
  {
    bool found = false;
    for (int i = static_cast<int>(0.4 * F); i < 0.7 * F && !found; ++i) found = R(i + 1) - R(i) > 0.15 * W;
    if (f.Ok() && !found) f.Add(kRight37);
  }
  {
    bool found = false;
    for (int i = F; i > 0.7 * F && !found; --i) found = R(i - 1) - R(i) > 0.4 * W;
    if (f.Ok() && !found) f.Add(kRight38);
  }
  {
    bool found = false;
    for (int i = static_cast<int>(0.2 * F); i < 0.7 * F && !found; ++i) found = R(i) - R(i + 1) > 0.25 * W;
    if (f.Ok() && found) f.Add(kRight39);
  }
  {
    bool found = false;
    for (int i = 1; i < F - 3 && !found; ++i) found = R(i) - R(i + 2) > 0.15 * W;
    if (f.Ok() && found) f.Add(kRight40);
  }
  {
    const int depth = BowlDepth(f, F);
    if (f.Ok()) {
      if (depth >= 0.2 * W) {
        f.Add(kRight41);
      } else {
        f.Add(kRight41Else);
        if (depth < 0.15 * W) f.Add(kRight41Shallow);
      }
    }
  }
}

void BottomProfileTests(FeatureContext& f) {
  const Profile& Bp = f.bottom;
  const double H = f.H, t = f.t;
  const int G = Bp.n - 1, c = G / 2;
  const auto B = [&](int i) { return f.At(Bp, i); };

  const Profile& w = f.Win(Bp);
  if (!f.Ok()) return;  // an empty profile: every test would read past it
  const double m = w.m, s = w.s, vmax = w.vmax, kmax = w.kmax;
  if (m < 0.1 * H && s < t) {
    f.Add(kBottom1);
    if (s < 0.5 * t) f.Add(kBottom1Flat);
  } else if (vmax <= 0.25 * H) {
    f.Add(kBottom1Low);
  } else {
    f.Add(kBottom1Else);
    if (vmax > 0.35 * H) f.Add(kBottom1Deep);
  }
  if (vmax > 0.4 * H) f.Add(kBottom2);
  if (vmax < 0.1 * H) f.Add(kBottom3);
  if (vmax < 0.6 * H) f.Add(kBottom4);
  if (kmax >= 0.65 * G) f.Add(kBottom5);
  else if (kmax < 0.4 * G) f.Add(kBottom5Else);
  if (kmax > 0.7 * G || kmax < 0.3 * G) f.Add(kBottom6);
  {
    const int s3 = B(c) + B(c + 1) + B(c + 2);
    if (f.Ok()) {
      if (s3 > 0.5 * H) f.Add(kBottom7);
      if (s3 > H) f.Add(kBottom8);
    }
  }
  {
    const int a = 2 * std::max({B(c - 1), B(c), B(c + 1), B(c + 2)}) - (B(G - 1) + B(1));
    const int b = 2 * B(c) - (B(G / 4) + B(3 * G / 4));
    if (f.Ok() && (a > 0.1 * H || b > 0.1 * H)) f.Add(kBottom9);
  }
  {
    const int d = std::max(B(c - 1), B(c));
    if (f.Ok() && d > 0.2 * H) f.Add(kBottom10);
  }
  {
    int i = 0, j = 0;
    DeepRun(f, G, w.vmax, i, j);
    if (f.Ok() && j - i >= 2) {
      const float dev = f.Dev(Bp, i, j - i + 1);
      if (f.Ok() && dev > t) f.Add(kBottom11);
    }
  }
  {
    bool found = false;
    for (int i = G; i > 0.5 * G && !found; --i) found = B(i - 1) - B(i) > 0.15 * H;
    if (f.Ok() && !found) f.Add(kBottom12);
  }
  {
    bool found = false;
    for (int i = 0; i < 0.6 * G && !found; ++i) found = B(i + 1) - B(i) > 0.15 * H;
    if (f.Ok() && !found) f.Add(kBottom13);
  }
  {
    int i0 = 0;
    while (i0 < 0.7 * G && !(B(i0) >= 0.5 * vmax)) ++i0;
    const int g = f.FirstMaxIndex(Bp, i0, static_cast<int>(0.75 * G - i0 + 1));
    const int drop = B(g) - f.Min(Bp, g, G);
    if (f.Ok() && drop < 0.15 * H) f.Add(kBottom14);
  }
  {
    const bool second = SecondValley(f, G);
    if (f.Ok() && !second) f.Add(kBottom15);
  }
}

void TopProfileTests(FeatureContext& f) {
  const Profile& Tp = f.top;
  const double H = f.H, t = f.t;
  const int K = Tp.n - 1, c = K / 2;
  const auto T = [&](int i) { return f.At(Tp, i); };

  {
    float m1 = 0;
    const int k = K / 2 - 1;
    const float s = f.Dev(Tp, 1, k, &m1);
    if (k < 1) f.miss = true;  // no entries, no mean
    if (f.Ok()) {
      if (0.15 * H < m1 && m1 < 0.5 * H) f.Add(kTop1);
      if (m1 < 0.08 * H || m1 > 0.5 * H || s > t) f.Add(kTop2);
    }
  }
  {
    const Profile& w = f.Win(Tp);
    if (f.Ok()) {
      if (w.m < 0.1 * H && w.s < t) f.Add(kTop3);
      else if (w.vmax <= 0.2 * H) f.Add(kTop3Low);
      else f.Add(kTop3Else);
      if (w.kmax > 0.65 * K) f.Add(kTop4);
    }
  }
  {
    const int d = T(K - 1) + T(1) - 2 * T(c);
    if (f.Ok() && d > 0) f.Add(kTop5);
  }
  {
    const int d = 2 * std::max({T(c - 1), T(c), T(c + 1), T(c + 2)}) - (T(K - 1) + T(1));
    if (f.Ok() && d > 0.1 * H) f.Add(kTop6);
  }
  {
    const int d = 2 * T(c) - (T(2) + T(K - 2));
    if (f.Ok() && d > f.H / 8) f.Add(kTop7);
  }
  {
    const int g = f.FirstMaxIndex(Tp, K / 3, K - 2 * (K / 3) + 1);
    const int v = T(g);
    if (f.Ok() && v > 0.33 * H) f.Add(kTop8);
  }
  {
    int largest = 0;
    for (int i = K / 2; i < K; ++i) largest = std::max(largest, T(i) - T(i + 1));
    if (f.Ok() && largest < 0.25 * H) f.Add(kTop9);
  }
}

}  // namespace kelmar::latin
