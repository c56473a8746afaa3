// Refinement stages: look-alike characters left close after the rules are
// separated by further measurements, each stage seeing the counts the stages
// before it left.
#include <cmath>

#include "frame/image_stats.h"
#include "plate/char_rules.h"

namespace kelmar::plate {

Lowest FindLowest(const int32_t* row) {
  int hi = row[0], lo = row[0];
  for (int c = 1; c < kPlateClasses; ++c) {
    hi = std::max(hi, row[c]);
    lo = std::min(lo, row[c]);
  }
  int count = 0;
  for (int v = 0; v <= hi; ++v) {
    frame::FindLastInRow(row, kPlateClasses, 0, v, &count);
    if (count > 0) return {v, count};
  }
  // Every count below zero: the lowest is the only one held.
  frame::FindLastInRow(row, kPlateClasses, 0, lo, &count);
  return {lo, count};
}

namespace {

struct Stages {
  BoxReading& r;
  const Scores& sc;
  const Profile& p;
  const Profile& rt;
  const Profile& q;
  const Profile& u;
  const double w, h, t;
  int v = 0, upper = 0;

  explicit Stages(BoxReading& rd)
      : r(rd), sc(rd.scores), p(rd.prof.left), rt(rd.prof.right), q(rd.prof.bottom), u(rd.prof.top),
        w(rd.w), h(rd.h), t(rd.t) {}

  bool allWithin(Mask m) const {
    for (int c = 0; c < kPlateClasses; ++c)
      if ((m >> c & 1) && sc[c] > upper) return false;
    return true;
  }
  bool anyWithin(Mask m) const {
    for (int c = 0; c < kPlateClasses; ++c)
      if ((m >> c & 1) && sc[c] <= upper) return true;
    return false;
  }

  // Total counts of run scans upwards from one pixel beyond the last row to
  // two pixels before the first, at a = first, first + 0.05, ... below limit.
  template <class Fn>
  void upwardTotals(double first, double limit, Fn&& fn) const {
    const BoxFrame& b = r.box;
    ForFractions(first, 0.05, limit, false, [&](double a) {
      fn(a, RunScan(b.image, b.px(a, 1), b.py(a, 1) + 1, b.px(a, 0), b.py(a, 0) - 2).total);
    });
  }

  void stageQ();
  void stageE();
  void stageG();
  void oneT();
  void oneJ();
  void stageP();
  void stage3569();
  void stage2Z();
  void stage5S();
  void stage46();
  void stage0D();
  void stageHMN();
  void stageKX();
  void stageKR();
  void stageIL();
  void stageI1();
  void stageVYW();
  void stage1IJ3();
};

void Stages::stageQ() {
  const Lowest lo = FindLowest(sc.row);
  const int v0 = lo.value, k = lo.count;
  const int cq = Cls(u'Q'), c0 = Cls(u'0');
  if (k == 1 && sc[cq] == v0 && sc[c0] == v0 + 1) {
    --sc.row[c0];
  } else if ((sc[c0] == v0 && sc[cq] == v0) || (sc[Cls(u'G')] == v0 && sc[Cls(u'C')] == v0) ||
             sc[cq] <= v0 + 1) {
    if (k == 1 && sc[cq] == v0) --sc.row[c0];
  } else {
    return;
  }
  // The rows b = 0.05 .. 0.25 can only give a count up to S, so S decides.
  EntryCounts e;
  const BoxFrame& b = r.box;
  ForFractions(0.45, std::max(0.04, 1.1 / w), 0.96, false, [&](double a) {
    e.take(CrossingScan(b.image, b.px(a, 0.5), b.py(a, 0.5) + 2, b.px(a, 0), b.py(a, 0), kUp, 1));
  });
  sc.add(e.second > 2 ? Set(u"0 D O C") : Set(u"Q G"));
}

void Stages::stageE() {
  const int n = p.n, N = p.N(), H2 = N / 2, Q3 = 3 * N / 4;
  sc.addAbove(v, 0);  // E1
  {                   // E2
    const int count = static_cast<int>(std::floor(0.4 * N - 1));
    if (auto m = Largest(p, static_cast<int>(std::floor(0.6 * N)), count < 2 ? 1 : count); m && m->value > 0.25 * w)
      sc.add(Set(u"9 B"));
  }
  if (auto m = Largest(p, 3, H2)) {  // E3
    if (m->value > 0.3 * w)
      sc.add(Set(u"6 G"));
    else if (m->value <= 0.25 * w)
      sc.add(Set(u"9"), 2);
    else
      sc.add(Set(u"8"));
  }
  const int T1 = N / 3;
  const auto A = Largest(p, T1 + 1, T1), F = Smallest(p, 1, T1), C = Smallest(p, 2 * N / 3, T1);
  if (A && F && C) {
    const double d = A->value - (C->value + F->value) / 2.0;
    if (d >= std::max(2.0, std::trunc(0.1 * w + 0.5))) sc.add(Set(u"B"));  // E4
    const int Nr = rt.N(), Tr = Nr / 3;                                      // E5
    const auto Ar = Largest(rt, Tr + 1, Tr), Fr = Smallest(rt, 1, Tr), Cr = Smallest(rt, 2 * Nr / 3, Tr);
    if (Ar && Fr && Cr) {
      const double e = d + (Cr->value + Fr->value) / 2.0 - Ar->value;
      if (e < -0.15 * w)
        sc.add(Set(u"8"));
      else if (e > 0)
        sc.add(Set(u"B"));
    }
    const auto A2 = Largest(p, 2 * N / 3 + 1, N - 2 * N / 3), F2 = Largest(p, 1, T1);  // E6
    if (A2 && F2) {
      const double g = (A2->value + F2->value) / 2.0 - (C->value + F->value) / 2.0;
      if (g >= std::max(2.0, 0.1 * w))
        sc.add(Set(u"B"));
      else if (g < 0.05 * w)
        sc.add(Set(u"8"));
    }
  }
  if (auto top = Largest(p, 1, N - 1)) {  // E7
    const int K = top->index, pk = top->value;
    const double lim = std::trunc(0.1 * w + 0.5);
    if (pk > lim && ((0 < K && K < 0.25 * N && pk <= p[K - 1]) || (K > 0.75 * N && K < N && pk <= p[K + 1])))
      sc.add(Set(u"B"));
    else if (pk <= lim && pk < 0.07 * w)
      sc.add(Set(u"8"));
  }
  const int Nu = u.N(), Nb = q.N();
  if (u.has(Nu - 1, 1) && q.has(Nb - 1, 1) && (u[Nu - 1] < u[1] || q[Nb - 1] < q[1])) sc.add(Set(u"B"));  // E8
  if (auto sr = StatOf(rt, 1, rt.N() - 1), sp = StatOf(p, 1, N - 1); sr && sp && sr->s < sp->s)          // E9
    sc.add(Set(u"B"));
  if (u.has(0) && q.has(0) && p.has(0)) sc.add(u[0] + q[0] + p[0] <= 0.2 * w ? Set(u"8") : Set(u"B"));  // E10
  {                                                                                                      // E11
    double middle = 0, outer = 0;
    int nm = 0, no = 0;
    for (int k = N / 4; k < Q3 && k < n; ++k) {
      if (n / 3 < k && k < (2 * N + 1) / 3) {
        middle += p[k];
        ++nm;
      } else {
        outer += p[k];
        ++no;
      }
    }
    if (nm > 0 && no > 0 && middle / nm > outer / no + 0.45) sc.add(Set(u"B"));
  }
  if (sc[Cls(u'8')] == sc[Cls(u'B')] && u.has(Nu - 1, Nu - 2, 1, 2) && q.has(Nb - 1, Nb - 2, 1, 2)) {  // E12
    const int f1 = (u[Nu - 1] - u[1]) + (q[Nb - 1] - q[1]);
    const int f2 = (u[Nu - 2] + u[Nu - 1] + q[Nb - 2] + q[Nb - 1]) - (u[1] + u[2] + q[1] + q[2]);
    if (f1 > 0.12 * h || f2 > 0.2 * h)
      sc.add(Set(u"8"));
    else if (f1 < 0.06 * h || f2 < 0.1 * h)
      sc.add(Set(u"B"));
  }
  const int Nr = rt.N();  // E13
  if (auto V = Largest(rt, static_cast<int>(std::floor(0.65 * Nr)), static_cast<int>(std::floor(0.3 * Nr)))) {
    if (V->value < 0.5 * w) {
      sc.add(Set(u"6"));
      if (V->value < 0.25 * w) sc.add(Set(u"6"), 2);
    }
    sc.add(V->value <= 0.25 * w ? Set(u"S 5") : Set(u"9"), 2);
  }
}

void Stages::stageG() { sc.add(DeepestRun(r, 0.25) <= 0.4 * h ? Set(u"G") : Set(u"6")); }

void Stages::oneT() {
  const int Nb = q.N(), half = Nb / 2;
  if (half <= 0 || q.has(half)) {
    int sum = 0;
    for (int j = 1; j <= half; ++j) sum += q[j];
    sc.add(sum > Nb ? Set(u"T") : Set(u"1"));
  }
  const int Nr = rt.N();
  int fall = 0;
  for (int k = Nr / 2; k < Nr; ++k)
    if (k >= 0) fall = std::max(fall, rt[k] - rt[k + 1]);
  if (fall < 0.3 * w)
    sc.add(Set(u"T"), 2);
  else
    sc.add(Set(u"1"));
}

void Stages::oneJ() {
  const int N = p.N();
  if (!p.has(4, 5)) return;
  if (p[4] + p[5] < 0.1 * w)
    sc.add(Set(u"1"));
  else if (p.has(N - 1, N - 2, N - 4, N - 3) && (p[N - 1] + p[N - 2]) - (p[N - 4] + p[N - 3]) > 0.1 * w)
    sc.add(Set(u"J"));
}

void Stages::stageP() {
  const BoxFrame& b = r.box;
  auto cross = [&](double f) {
    return CrossingScan(b.image, b.px(0, f) - 2, b.py(0, f), b.px(1, f), b.py(1, f), kRight, 0);
  };
  int smallest = 5, largest = 0;
  double f = 0.05;
  for (int i = 0; i < 4; ++i, f += 0.05) {
    const int c = cross(f);
    smallest = std::min(smallest, c);
    largest = std::max(largest, c);
  }
  if (smallest == 1 && largest == 1)
    sc.add(Set(u"R 6"));
  else if (largest == 2)
    sc.add(Set(u"P F E"));
  largest = 0;
  ForFractions(0.65, 0.05, 0.86, false, [&](double g) { largest = std::max(largest, cross(g)); });
  if (largest == 1) sc.add(Set(u"P R"));
}

void Stages::stage3569() {
  const int N = p.N(), Nr = rt.N();
  const int count = N / 3 - 1;
  if (auto m = Largest(p, 2 * N / 3, count < 2 ? 1 : count)) sc.add(m->value <= 0.3 * w ? Set(u"2 3 Z") : Set(u"9 5 S"));
  if (auto m = Largest(rt, 2, Nr / 2 - 2)) sc.add(m->value <= 0.3 * w ? Set(u"2 Z") : Set(u"6 3"));
}

void Stages::stage2Z() {
  sc.addAbove(v, Set(u"2 Z"));  // step 1
  const int Nu = u.N(), Nr = rt.N(), Hr = Nr / 2, Qr = 3 * Nr / 4;
  const int Q = 3 * Nu / 4;
  if (u.has(Q, Q + 1) && u[Q] + u[Q + 1] < 0.5 * h) sc.add(Set(u"7"), 2);  // step 2
  double P = 0, Qs = 0.5 * h;                                               // step 3
  upwardTotals(0.15, 0.61, [&](double a, int total) {
    if (total >= 0.5 * h) return;
    if (a < 0.31) P = std::max(P, double(total));
    if (a > 0.29) Qs = std::min(Qs, double(total));
  });
  if (P - Qs > 0.07 * h)
    sc.add(Set(u"Z"));
  else if (P - Qs <= 0)
    sc.add(Set(u"2"));
  int j0 = Nr;  // steps 4 and 5
  if (Nr - Hr >= 2) {
    j0 = Hr + 1;
    for (int j = Hr + 2; j <= Nr; ++j)
      if (rt[j] <= rt[j0]) j0 = j;
  }
  if (rt.has(j0)) {
    while (j0 > Hr && rt[j0] == rt[j0 - 1]) --j0;
    int top = rt[j0];
    for (int j = j0; j <= Nr; ++j) top = std::max(top, rt[j]);
    const int z = top - rt[j0];
    if (j0 < 0.8 * Nr || z > 0.15 * w) sc.add(Set(u"Z"));
    if ((j0 >= Nr - 2 && z < 0.1 * w) || z <= 0.05 * w) sc.add(Set(u"2"));
  }
  if (sc[Cls(u'2')] == sc[Cls(u'Z')] && rt.has(Hr + 1, Hr - 1, Qr + 1, Qr - 1)) {  // step 6
    const int x = std::abs((rt[Hr + 1] - rt[Hr - 1]) - (rt[Qr + 1] - rt[Qr - 1]));
    if (x >= 0.15 * w)
      sc.add(Set(u"Z"));
    else if (x <= std::trunc(0.05 * w + 0.5))
      sc.add(Set(u"2"));
  }
}

void Stages::stage5S() {
  double P = 0, Qs = 0.5 * h;
  upwardTotals(0.40, 0.86, [&](double a, int total) {
    if (total >= 0.5 * h) return;
    if (a > 0.59) P = std::max(P, double(total));
    if (a < 0.61) Qs = std::min(Qs, double(total));
  });
  sc.add(P - Qs <= 0.05 * h ? Set(u"S") : Set(u"5"));
}

void Stages::stage46() {
  if (u.has(2, 3, 4, 5)) sc.add(u[2] + u[3] + u[4] + u[5] > 0.5 * h ? Set(u"6") : Set(u"4"));
}

void Stages::stage0D() {
  const int N = p.N(), H2 = N / 2, Nu = u.N(), Nb = q.N();
  if (p.has(0, 1, N - 2, N - 1, H2 - 1, H2, H2 + 1) && u.has(Nu - 2, Nu - 1, 1, 2) && q.has(Nb - 2, Nb - 1, 1, 2)) {
    const int e1 = (p[0] + p[1] + p[N - 2] + p[N - 1]) - (p[H2 - 1] + 2 * p[H2] + p[H2 + 1]);
    const int e2 = (u[Nu - 2] + u[Nu - 1] + q[Nb - 2] + q[Nb - 1]) - (u[1] + u[2] + q[1] + q[2]);
    sc.add(e1 >= 0.1 * w || e2 <= 0.2 * h ? Set(u"D") : Set(u"0 O"));
  }
  if (u.has(0) && q.has(0)) sc.add(u[0] + q[0] > 0.1 * h ? Set(u"D") : Set(u"0 O"));
}

// The window [a, b] of a profile between its first and last values reaching
// half its range, searched from index 2 and from N - 2.
struct Window {
  int a, b;
};

Window HalfRangeWindow(const Profile& x) {
  const int N = x.N();
  const double half = 0.5 * (x.hasRange ? x.range : 0);
  Window win{2, N - 2};
  if (N > 4) {
    win.a = N - 2;
    for (int j = 2; j < N - 2; ++j)
      if (x[j] >= half) {
        win.a = j;
        break;
      }
  }
  while (win.b > win.a && x[win.b] < half) --win.b;
  return win;
}

void Stages::stageHMN() {
  sc.addAbove(v, Set(u"H M N W"));  // step 1
  const int Nu = u.N(), Nb = q.N(), N = p.N(), Nr = rt.N();
  if (u.hasRange && (u.range < 0.25 * h || u.range > 0.75 * h)) sc.add(Set(u"H"), 3);  // step 2
  {                                                                                      // step 3
    const auto su = StatOf(u, 1 + (Nu + 1) / 3, Nu / 4), sb = StatOf(q, 1 + (Nb + 1) / 3, Nb / 4);
    if (su && sb) {
      const float sm = sb->s > su->s ? sb->s : su->s;
      if (sm > 0.7 * t) {
        sc.add(Set(u"H"), 2);
      } else {
        sc.add(Set(u"M N W"));
      }
    }
  }
  if (u.kmax > 2 * Nu / 3) sc.add(Set(u"N"));  // step 4
  if (p.has(1, 2, N - 2, N - 1) && rt.has(1, 2, Nr - 2, Nr - 1)) {  // step 5
    const int e = (p[1] + p[2] + rt[1] + rt[2]) - (p[N - 2] + p[N - 1] + rt[Nr - 2] + rt[Nr - 1]);
    if (e > 0.2 * w) {
      sc.add(Set(u"M"), 2);
      sc.add(Set(u"N"));
    } else if (e < -0.2 * w) {
      sc.add(Set(u"W"), 2);
    }
  }
  {  // steps 6 to 8
    const Window win = HalfRangeWindow(q);
    const auto low = win.b > win.a ? Smallest(q, win.a, win.b - win.a + 1) : std::nullopt;
    const int m = low ? low->index : win.a;
    sc.add(win.a < m && m < win.b ? Set(u"M N") : Set(u"W"));
    const auto high = win.b > win.a ? Largest(q, win.a, win.b - win.a + 1) : std::nullopt;
    const int jx = high ? high->index : win.a;
    if (std::abs(jx - 0.5 * Nb) > 0.15 * Nb) sc.add(Set(u"M"));
    int a = win.a, b = win.b;
    while (a < win.b && q[a] < q[a + 1]) ++a;
    while (b > a && q[b] < q[b - 1]) --b;
    sc.add(b - a < 0.2 * Nb ? Set(u"W") : Set(u"M N"));
  }
  {  // step 9
    const Window win = HalfRangeWindow(u);
    int a = win.a, b = win.b;
    while (a < win.b && u[a] <= u[a + 1]) ++a;
    while (b > a && u[b] <= u[b - 1]) --b;
    sc.add(b - a < 0.2 * Nu ? Set(u"M") : Set(u"N"));
  }
}

void Stages::stageKX() {
  const int N = p.N(), H2 = N / 2;
  if (!p.has(H2 - 1, H2, H2 + 1, 1, 2, N - 2, N - 1)) return;
  const int e = (p[H2 - 1] + 2 * p[H2] + p[H2 + 1]) - (p[1] + p[2] + p[N - 2] + p[N - 1]);
  sc.add(e > 0.4 * w ? Set(u"K") : Set(u"X"));
}

void Stages::stageKR() {
  if (q.hasRange) sc.add(q.range >= 0.2 * h ? Set(u"R") : Set(u"K"));
}

void Stages::stageIL() {
  const int Nb = q.N();
  int reach = 0, below = 0;
  for (int j = static_cast<int>(std::floor(0.4 * Nb)); j < Nb - 2; ++j) {
    if (j < 0) continue;
    if (q[j] >= 0.7 * h)
      ++reach;
    else
      ++below;
  }
  sc.add(reach < below ? Set(u"L") : Set(u"I"));
}

void Stages::stageI1() {
  const int N = p.N(), Nr = rt.N();
  const bool hasE = rt.has(1, 2, Nr - 2, Nr - 1);
  const int e = hasE ? (rt[1] + rt[2]) - (rt[Nr - 2] + rt[Nr - 1]) : 0;
  if (hasE && e < -0.25 * w) sc.add(Set(u"I"));
  if (w < 0.2 * h) sc.add(Set(u"1"), 2);
  if (hasE && e < -std::max(2.0, 0.5 * w)) sc.add(Set(u"I"));
  int fall = 0;
  for (int j = static_cast<int>(std::floor(0.3 * N)); j < 0.8 * N && j + 1 < p.n; ++j)
    if (j >= 0) fall = std::max(fall, p[j] - p[j + 1]);
  if (fall < 0.3 * w)
    sc.add(Set(u"1"), 2);
  else if (sc[Cls(u'I')] == v && sc[Cls(u'1')] == v)
    sc.add(Set(u"I"));
}

void Stages::stageVYW() {
  if (p.has(2, 4) && rt.has(2, 4) && p[2] + p[4] + rt[2] + rt[4] > w) sc.add(Set(u"W"));
  if (p.has(1, 6) && rt.has(1, 6)) sc.add((p[1] + rt[1]) - (p[6] + rt[6]) > 0.05 * w ? Set(u"Y") : Set(u"V"));
}

void Stages::stage1IJ3() {
  const int N = p.N();
  const double R = p.hasRange ? p.range : 0;
  int s0 = 2;
  if (N > 3) {
    s0 = N - 1;
    for (int j = 2; j < N - 1; ++j)
      if (p[j] >= 0.6 * R) {
        s0 = j;
        break;
      }
  }
  int e0 = N - 1;
  while (e0 > s0 && p[e0 - 1] - p[e0] < 0.2 * R) --e0;
  if (auto s1 = StatOf(p, s0, e0 - s0)) sc.add(s1->s > 0.5 * t ? Set(u"1") : Set(u"3"));
  if (auto s2 = StatOf(p, s0, static_cast<int>(std::trunc(0.8 * N - s0 + 1))); s2 && s2->s > 0.5 * t)
    sc.add(Set(u"J I"));
}

}  // namespace

void Stage2Z(BoxReading& r, int lowest) {
  Stages st(r);
  st.v = lowest;
  st.stage2Z();
}

void StageHMN(BoxReading& r, int lowest) {
  Stages st(r);
  st.v = lowest;
  st.stageHMN();
}

void Stage1IJ3(BoxReading& r) { Stages(r).stage1IJ3(); }

void Refine(BoxReading& r) {
  Stages st(r);
  st.stageQ();
  const Lowest lo = FindLowest(r.scores.row);
  if (lo.count < 2) return;
  st.v = lo.value;
  st.upper = lo.value + 1;
  if (st.anyWithin(Set(u"8 6 9"))) st.stageE();
  if (st.anyWithin(Set(u"6 G"))) st.stageG();
  if (st.allWithin(Set(u"1 T"))) st.oneT();
  if (st.allWithin(Set(u"1 J"))) st.oneJ();
  if ((st.allWithin(Set(u"P")) && st.anyWithin(Set(u"R F"))) || st.allWithin(Set(u"6 E"))) st.stageP();
  if (st.anyWithin(Set(u"3 5 6 9"))) st.stage3569();
  if (st.allWithin(Set(u"2 Z"))) st.stage2Z();
  if (st.allWithin(Set(u"5 S"))) st.stage5S();
  if (st.allWithin(Set(u"4 6"))) st.stage46();
  if (st.allWithin(Set(u"D 0"))) st.stage0D();
  if (st.anyWithin(Set(u"H M N"))) st.stageHMN();
  if (st.allWithin(Set(u"K X"))) st.stageKX();
  if (st.allWithin(Set(u"K R"))) st.stageKR();
  if (st.anyWithin(Set(u"I L"))) st.stageIL();
  if (st.allWithin(Set(u"I 1"))) st.stageI1();
  if (st.anyWithin(Set(u"V Y W"))) st.stageVYW();
  if (st.anyWithin(Set(u"1 I J")) && st.allWithin(Set(u"3"))) st.stage1IJ3();
}

}  // namespace kelmar::plate
