// The ranking refinement: rules that look at which classes are close to the
// smallest vote and measure the one feature that separates them. A rule whose
// candidates are not close scans nothing.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "frame/image_stats.h"
#include "latin/latin_ocr.h"

namespace kelmar {

namespace {

// Largest and second largest counts of a line set, and the smallest.
struct Counts {
  int smallest, largest, second;
  void Add(int x) {
    smallest = std::min(smallest, x);
    if (x >= largest) {
      second = largest;
      largest = x;
    } else {
      second = std::max(second, x);
    }
  }
};

}  // namespace

void CMatchLatinOCR::RankingRefinement(int letter) {
  using namespace latin;
  FeatureContext& f = features_;
  int32_t* row = f.row;
  const Frame* img = letterFrame(letter);
  const double W = f.W, H = f.H, t = f.t;
  const int w1 = f.W - 1, h1 = f.H - 1;
  const Profile &Lp = f.left, &Rp = f.right, &Bp = f.bottom, &Tp = f.top;
  const int E = Lp.n - 1, F = Rp.n - 1, G = Bp.n - 1, K = Tp.n - 1;
  const int M = E / 2, MR = F / 2, Q3 = 3 * F / 4;
  const auto P = [&](int i) { return f.At(Lp, i); };
  const auto R = [&](int i) { return f.At(Rp, i); };
  const auto B = [&](int i) { return f.At(Bp, i); };
  const auto T = [&](int i) { return f.At(Tp, i); };
  const auto vote = [&](std::initializer_list<int> classes, int times = 1) {
    for (int c : classes) row[c] += times;
  };
  // Argmax / argmin of `count` entries from a, relative to a.
  const auto argmax = [&](const Profile& p, int a, int count) { return f.FirstMaxIndex(p, a, count) - a; };
  const auto argmin = [&](const Profile& p, int a, int count) {
    if (count < 1 || a < 0 || a + count > p.n) {
      f.miss = true;
      return 0;
    }
    return static_cast<int>(std::min_element(p.v.begin() + a, p.v.begin() + a + count) - (p.v.begin() + a));
  };

  const int minimum = *std::min_element(row, row + kClassCount);
  const auto close = [&](std::initializer_list<int> classes) {
    for (int c : classes)
      if (row[c] <= minimum + 1) return true;
    return false;
  };
  const auto atMin = [&](std::initializer_list<int> classes) {
    for (int c : classes)
      if (row[c] <= minimum) return true;
    return false;
  };
  const auto rows = [&](double from, double to, bool inclusive, Counts counts) {
    for (int r = static_cast<int>(from * H); inclusive ? r <= to * H : r < to * H; ++r)
      counts.Add(Crossings(img, 0, r, w1, r, 0));
    return counts;
  };
  const int halfH = f.H / 2;

  // 1: Q, G against 0, O, C, D, o.
  if ((close({26, 16}) && close({0, 24, 12, 13})) || close({57})) {
    Counts cf{10, 1, 1};
    for (int c = static_cast<int>(0.45 * W); c < 0.96 * W; ++c) cf.Add(Crossings(img, c, 0.5 * H, c, 0, 2, 1));
    const Counts cg = rows(0.05, 0.26, false, {10, 1, 1});
    if (std::max(cf.second, cg.second) < 3) vote({26, 16});
    else vote({0, 13, 24, 57, 12, 45});
  }
  // 2: 9 and B.
  if (close({9, 11})) {
    const int u = argmax(Lp, static_cast<int>(0.6 * E), static_cast<int>(0.35 * E - 1));
    const int v = P(static_cast<int>(u + 0.6 * E));
    if (f.Ok() && v > 0.25 * W) vote({9, 11});
  }
  // 3: 6, G, C against 9.
  if (close({6, 16, 12}) && close({9})) {
    const int a = static_cast<int>(0.1 * E);
    const int v = P(a + argmax(Lp, a, static_cast<int>(0.4 * E)));
    if (f.Ok()) {
      if (v <= 0.3 * W) vote({9});
      else vote({6, 16, 45, 12});
    }
  }
  // 4: 8 against B.
  if (close({8}) && close({11})) {
    const int u = argmax(Lp, static_cast<int>(0.15 * E), static_cast<int>(0.7 * E));
    const int p = P(static_cast<int>(0.15 * E + u));
    if (f.Ok()) {
      if (p > 0.2 * W) vote({11});
      else if (p < static_cast<int>(0.15 * W + 0.5)) vote({8});
    }
    const int t3 = E / 3;
    const int mx = f.Max(Lp, t3 + 1, 2 * t3);
    const int q = static_cast<int>(0.25 * E);
    const int mn1 = f.Min(Lp, static_cast<int>(0.1 * E), static_cast<int>(0.1 * E) + q - 1);
    const int mn2 = f.Min(Lp, 2 * E / 3, 2 * E / 3 + q - 1);
    if (f.Ok()) {
      if (mx - (mn1 + mn2) / 2 <= 0.12 * W) vote({8});
      else vote({11});
    }
  }
  // 5: 8, 6, S against 9, and 8 against B.
  if (close({8, 6, 28})) {
    const int v = R(MR + argmax(Rp, MR, static_cast<int>(0.4 * F)));
    if (f.Ok()) {
      if (v <= 0.25 * W) vote({6, 28, 61, 5});
      else vote({9});
    }
    const int d = T(K - 1) - T(1);
    if (f.Ok()) {
      if (d > 0.1 * H) vote({8});
      else if (d <= -0.05 * H) vote({11});
    }
    if (atMin({8}) || close({11})) {
      const int e = B(G - 1) - B(1);
      if (f.Ok()) {
        if (e > 0.1 * H) vote({8});
        else if (e <= -0.05 * H) vote({11});
      }
    }
  }
  // 6: 6, e against G.
  if (close({6, 47}) && close({16})) {
    int g = 0;
    for (int c = static_cast<int>(0.25 * W); c < 0.6 * W; ++c) g = std::max(g, FirstDark(img, c, 0.25 * H, c, h1, 3, 0));
    if (g <= 0.5 * H) vote({16});
    else vote({6, 47, 120, 99});
  }
  // 7: 1 against T.
  if (close({1}) && close({29})) {
    const int a = static_cast<int>(0.1 * G), k = static_cast<int>(0.4 * G);
    if (k >= 1 && (a < 0 || a + k > Bp.n)) f.miss = true;
    const unsigned sum = f.miss ? 0 : frame::RowSum(Bp.v.data() + std::max(a, 0), k, 0);
    if (f.Ok() && sum > 0.04 * G * H) vote({29});
    int g = 0;
    for (int i = static_cast<int>(0.5 * F); i < F; ++i) g = std::max(g, R(i) - R(i + 1));
    if (f.Ok()) {
      if (g >= 0.3 * W) vote({1, 54});
      else vote({29}, 2);
    }
  }
  // 8: 1, l, I against J, j.
  if (close({1, 54, 18}) && close({19, 52})) {
    const int d = (P(E - 1) + P(E - 2)) - (P(E - 3) + P(E - 4));
    if (f.Ok() && d > 0.1 * W) vote({19});
    const Counts c = rows(0.04, 0.25, false, {10, 1, 1});
    if (c.largest < 2) vote({19});
    else vote({1, 54, 51, 18});
    const int e = (R(F - 2) + R(F - 1)) - (R(1) + R(2));
    if (f.Ok() && e > 0.1 * W) vote({19, 52});
  }
  // 9: P, R, F, 6, E.
  if ((close({25}) && close({27, 15})) || (close({6}) && close({14}))) {
    const Counts top = rows(0.05, 0.2, true, {5, 0, 0});
    if (top.smallest == 1 && top.second == 1) vote({27, 6});
    else if (top.second == 2) vote({25, 15});
    const Counts low = rows(0.65, 0.86, false, {5, 0, 0});
    if (low.largest == 1) vote({25, 27});
    const int a = static_cast<int>(0.7 * F);
    const int v = R(a + argmax(Rp, a, static_cast<int>(0.25 * F)));
    if (f.Ok()) {
      if (v <= 0.3 * W) vote({15});
      else vote({25, 58});
    }
  }
  // 10: 9, 5, S, s against 2, Z, z.
  if (atMin({9, 5, 28, 61}) && atMin({2, 35, 68})) {
    const int a = static_cast<int>(0.7 * E);
    const int v = P(a + argmax(Lp, a, E / 4));
    if (f.Ok()) {
      if (v <= 0.3 * W) vote({2, 35, 68});
      else vote({9, 5, 28, 61});
    }
  }
  // 11: 3, 6 against 2, Z, z.
  if (atMin({3, 6}) && atMin({2, 35, 68})) {
    const int v = R(2 + argmax(Rp, 2, MR - 2));
    if (f.Ok()) {
      if (v <= 0.3 * W) vote({2, 35, 81, 82});
      else vote({6, 3}, 2);
    }
  }
  // 12: 2 against Z, z.
  if (close({2}) && close({35, 68})) {
    int hi = 0, lo = static_cast<int>(0.5 * H);
    for (int c = static_cast<int>(0.15 * W); c < 0.61 * W; ++c) {
      FirstDark(img, c, H, c, 0, 2, 0);
      const int d = visited_;
      if (c < 0.31 * W && d < halfH) hi = std::max(hi, d);
      if (c > 0.29 * W && d < halfH) lo = std::min(lo, d);
    }
    if (hi - lo > 0.1 * H) vote({35, 68});
    else if (hi - lo < 0) vote({2});

    int j = MR + argmin(Rp, MR, F - MR);
    while (j < F && R(j) == R(j + 1)) ++j;
    const int g = argmax(Rp, j, F - j + 1);
    const int rise = R(j + g) - R(j);
    if (f.Ok()) {
      if (j < F - 5 || rise > 0.15 * W) vote({35, 68}, 2);
      if (j > F - 2 || rise < 0.1 * W) vote({2});
    }
    if (row[35] == row[2] || row[68] == row[2]) {
      const int d = std::abs((R(Q3 - 3) + R(MR)) - (R(MR - 3) + R(Q3)));
      if (f.Ok()) {
        if (d >= 0.15 * W) vote({35, 68});
        else if (d <= 0.05 * W) vote({2});
      }
    }
  }
  // 13: 2 against Ž, ž.
  if (close({2}) && close({81, 82})) {
    bool step = false;
    for (int i = G / 4; i < 3 * G / 4 && !step; ++i) step = std::abs(B(i) - B(i + 1)) > 0.15 * H;
    if (f.Ok() && step) vote({2});
  }
  // 14: 5 against S, s.
  if (close({5}) && close({28, 61})) {
    int hi = 0, lo = static_cast<int>(0.5 * H);
    for (int c = static_cast<int>(0.4 * W); c <= 0.85 * W; ++c) {
      FirstDark(img, c, H, c, 0, 2, 0);
      const int d = visited_;
      if (c >= 0.6 * W && d < halfH) hi = std::max(hi, d);
      if (c <= 0.6 * W && d < halfH) lo = std::min(lo, d);
    }
    if (hi - lo > 0.05 * H) vote({5});
    else if (hi - lo <= static_cast<int>(0.03 * H + 0.5)) vote({28, 61});

    if (atMin({5}) && atMin({28, 61})) {
      int i = M + argmin(Lp, M, E - M);
      while (i > 0 && P(i) == P(i - 1)) --i;
      const int g = argmax(Lp, i, E - i);
      const int rise = P(i + g) - P(i);
      if (f.Ok()) {
        if (i < E - 5 && rise > 0.1 * W) vote({5});
        else if (rise < 0.05 * W) vote({28, 61});
      }
    }
  }
  // 15: 4 against 6.
  if (close({4}) && close({6})) {
    const int s = T(2) + T(3) + T(4) + T(5);
    if (f.Ok()) {
      if (s <= 0.6 * H) vote({4});
      else vote({6});
    }
  }
  // 16: D against 0, O, o.
  if (atMin({13}) && atMin({0, 24, 57})) {
    const int x = (P(1) + P(2) + P(E - 2) + P(E - 1)) - (P(M - 1) + 2 * P(M) + P(M + 1));
    const int y = (B(G - 1) + B(G - 2) + T(K - 1) + T(K - 2)) - (B(1) + B(2) + T(1) + T(2));
    if (f.Ok()) {
      if ((x < 0.15 * W && y > 0.25 * H) || x < 0.1 * W) vote({0, 57, 24});
      else vote({13});
    }
  }

  // The top side's middle-window maximum and the runs of rules 17 to 19.
  const int topMidIndex = f.FirstMaxIndex(Tp, K / 3, K - 2 * (K / 3) + 1);
  const int topMid = T(topMidIndex);
  const bool topMidOk = f.Ok();
  const int vmax = Bp.vmax;
  // Plain run of a profile: from the first entry at or above half its peak,
  // to the last such entry.
  const auto plainRun = [&](const Profile& p, int last, double half, int& i, int& j) {
    i = 4;
    while (i < last && !(f.At(p, i) >= half)) ++i;
    if (i > last) i = last;
    j = last;
    while (j > i && f.At(p, j) < half) --j;
  };
  // Climbing run: the plain run narrowed to where the profile still rises
  // from both ends.
  const auto climbingRun = [&](const Profile& p, int last, double half, int& i, int& j) {
    i = 4;
    while (i < last && !(f.At(p, i) >= half)) ++i;
    const bool found = i < last;
    if (i > last) i = last;
    j = last;
    while (j > i && !(f.At(p, j) >= half)) --j;
    while (i < j && f.At(p, i + 1) >= f.At(p, i)) ++i;
    while (j > i && f.At(p, j) <= f.At(p, j - 1)) --j;
    if (!found) i = j = last;
  };

  // 17: H, M, N, W.
  if (close({17, 22, 23, 32})) {
    if (topMidOk && (topMid < 0.25 * H || topMid > 0.75 * H || vmax < 0.25 * H || vmax > 0.75 * H)) vote({17}, 3);
    const float sT = f.Dev(Tp, Tp.n / 3, Tp.n / 3), sB = f.Dev(Bp, Bp.n / 3, Bp.n / 3);
    const float s = sT > sB ? sT : sB;
    if (f.Ok()) {
      if (s <= t) {
        vote({22, 23, 32});
      } else {
        int i = 0, j = 0;
        plainRun(Bp, G - 4, 0.5 * vmax, i, j);
        const int lo = f.Min(Bp, i, j), hi = f.Max(Bp, i, j);
        if (f.Ok()) {
          if (hi - lo <= 0.2 * vmax) vote({32, 22, 23}, 2);
          else vote({17}, 2);
        }
      }
    }
    if (topMidOk && topMidIndex > 2 * K / 3) vote({23});
    const int d = (R(4) + R(5) + P(4) + P(5)) - (R(F - 4) + R(F - 5) + P(E - 4) + P(E - 5));
    if (f.Ok()) {
      if (d > 0.2 * W) {
        vote({22}, 2);
        vote({23});
      } else if (d < -0.2 * W) {
        vote({32, 65}, 2);
      }
    }
    int i = 0, j = 0;
    climbingRun(Bp, G - 4, 0.5 * vmax, i, j);
    if (f.Ok()) {
      if (j - i >= 0.2 * G) vote({23, 22});
      else vote({32, 65});
    }
  }
  // 18: M against N.
  if (close({22}) && close({23}) && topMidOk) {
    int i = 0, j = 0;
    climbingRun(Tp, K - 4, 0.5 * topMid, i, j);
    if (f.Ok()) {
      if (j - i >= 0.2 * K) vote({23});
      else vote({22});
    }
  }
  // 19: W against M.
  if (close({32}) && close({22})) {
    int i = 0, j = 0;
    plainRun(Bp, G - 4, 0.5 * vmax, i, j);
    const int m = argmin(Bp, i, j - i + 1);
    if (f.Ok()) {
      if (i < i + m && i + m < j) vote({22});
      else vote({32, 65});
    }
  }
  // 20: K, X, k, x.
  if (close({20, 33, 53, 66})) {
    const int d = (P(M - 1) + 2 * P(M) + P(M + 1)) - (P(3) + P(4) + P(E - 4) + P(E - 3));
    if (f.Ok()) {
      if (d <= 0.3 * W) vote({33, 66});
      else vote({20, 53});
    }
  }
  // 21: I, t against L.
  if (close({18, 62}) && close({21})) {
    int hi = 0, lo = 0;
    for (int i = static_cast<int>(0.5 * G); i < G - 2; ++i) (B(i) >= 0.7 * H ? hi : lo) += 1;
    if (f.Ok()) {
      if (hi < lo) vote({21});
      else vote({18, 51, 88, 89, 117, 118, 62});
    }
  }
  // 22: I against 1, l.
  if (close({18}) && close({1, 54})) {
    const int a = (R(1) + R(2)) - (R(F - 2) + R(F - 1));
    if (f.Ok() && a < -0.25 * W) vote({18});
    const int b = (R(1) + R(2) + R(F - 2) + R(F - 1)) - (R(MR - 1) + 2 * R(MR) + R(MR + 1));
    if (f.Ok() && b < -std::max(4.0, W)) vote({1, 54});
  }
  // 23: V, v, Y, W, w.
  if (close({31, 64, 34, 32, 65})) {
    const int s = R(2) + R(4) + P(2) + P(4);
    if (f.Ok() && s > 1.2 * W) vote({32, 65});
    if (atMin({31, 64}) && atMin({34})) {
      const int d = (R(1) + P(1)) - (R(6) + P(6));
      if (f.Ok()) {
        if (d <= 0.05 * W) vote({31, 64});
        else vote({34});
      }
    }
  }
  // 24: V, v against y.
  if (close({31, 64}) && close({67})) {
    const int s = T(1) + T(2) + T(3);
    if (f.Ok()) {
      if (s > H) vote({67});
      else vote({31, 64});
    }
  }
  // 25: T, i against r.
  if (close({29, 51}) && close({60})) {
    const int d = (P(static_cast<int>(0.4 * E)) + P(static_cast<int>(0.6 * E)) + P(M)) -
                  (R(static_cast<int>(0.4 * F)) + R(static_cast<int>(0.6 * F)) + R(MR));
    if (f.Ok()) {
      if (d <= -0.5 * W) vote({29, 51});
      else vote({60});
    }
  }
  // 26: i, I against t.
  if (close({51, 18}) && close({62})) {
    int mx = -f.W, first = -1;
    for (int i = MR; i < F - 2; ++i) {
      const int d = R(i) - R(i + 2);
      if (first < 0 || d > mx) {
        mx = d;
        first = i;
      }
    }
    if (first >= 0 && f.Ok()) {
      int mn = f.W;
      for (int i = first + 2; i < F - 2; ++i) mn = std::min(mn, R(i) - R(i + 2));
      if (f.Ok()) {
        if (mx - mn <= 0.45 * W) vote({62});
        else vote({51, 18});
      }
    }
    f.Ok();
  }
  // 27: I against T.
  if (close({18}) && close({29})) {
    const int a = (R(1) + R(2) + P(1) + P(2)) - (R(F - 2) + R(F - 1) + P(E - 2) + P(E - 1));
    if (f.Ok()) {
      if (a >= 0.8 * W) vote({18});
      else vote({29});
    }
    const int b = T(3 * K / 4) + T(K / 4);
    if (f.Ok()) {
      if (b >= 0.8 * H) vote({18});
      else vote({29});
    }
    if (H > 3 * W) vote({29});
  }
  // 28: 4 against J.
  if (close({4}) && close({19})) {
    const int d = (P(M) + P(M + 2)) - (P(E - 4) + P(E - 2));
    if (f.Ok()) {
      if (d > 0.5 * W) vote({19});
      else if (d < 0.25 * W) vote({4});
    }
  }
  // 29: 2, 7, Z, z against f.
  if (close({2, 7, 35, 68}) && close({48})) {
    const int v = P(M + argmax(Lp, M, M - 2));
    if (f.Ok()) {
      if (v <= 0.4 * W) vote({2, 7, 35, 68});
      else vote({48});
    }
  }
  // 30: F against f.
  if (close({15}) && close({48})) {
    int i = M;
    while (i < E && !(P(i - 2) - P(i) >= 0.15 * W)) ++i;
    if (f.Ok()) {
      if (i <= 0.8 * E) vote({15});
      else vote({48});
    }
  }
  // 31: r against ř.
  if (atMin({60}) && atMin({80})) {
    int i = static_cast<int>(0.9 * F - 1);
    while (i > 0 && R(i - 1) >= R(i)) --i;
    if (f.Ok()) {
      if (i >= 0.7 * F) vote({60});
      else vote({80});
    }
  }
  // 32: o against a.
  if (close({57}) && close({43})) {
    const int d = (R(1) + R(2)) - (R(MR + 1) + R(MR + 2));
    if (f.Ok()) {
      if (d <= 0.1 * W) vote({57, 122});
      else vote({43, 116});
    }
  }
  f.Ok();
}

}  // namespace kelmar
