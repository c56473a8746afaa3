// Box, profile, stroke-entry and middle-depth rules.
#include <cmath>

#include "plate/char_rules.h"

namespace kelmar::plate {

void ApplyBoxRules(BoxReading& r) {
  const double w = r.w, h = r.h;
  r.scores.add(r.heightRaised ? Set(u"U") : Set(u"Ü"), 3);
  if (2 * w < h) r.scores.add(Set(u"W"));
  if (4 * w < h) r.scores.add(Except(u"1 I"), 5 * w < h ? 3 : 1);
}

void ApplyLeftRules(BoxReading& r) {
  const Profile& p = r.prof.left;
  const Scores& sc = r.scores;
  const double w = r.w, t = r.t;
  const int n = p.n, N = p.N();
  const int H2 = N / 2, Q3 = 3 * N / 4;

  if (auto st = StatOf(p, 2, n - 4)) {  // L1
    if (st->m < 0.125 * w && st->s < t) {
      sc.add(Set(u"1 2 3 5 7 Ä Ö J S T Y Z"));
      if (st->s < 0.5 * t) sc.add(Set(u"V 4 9 X"));
    } else if (st->m >= 0.25 * w && st->s < 0.5 * t) {
      sc.add(Except(u"1 I J T"));
    } else {
      sc.add(Set(u"Ü B D E F H K L M N P R U"));
    }
  }
  if (auto st = StatOf(p, 5, n - 10); st && st->s > t) sc.add(Set(u"T I"));  // L2
  if (auto st = StatOf(p, 4, H2 - 4)) {                                      // L3
    if (st->s > 1.5 * t)
      sc.add(Set(u"1"));
    else if (st->s < t)
      sc.add(Set(u"9"));
  }
  if (p.hasRange) {
    const int R = p.range;
    if (R > 0.45 * w)  // L4
      sc.add(Set(u"0 8 B C D E F G H K L M N O P Q R U W"));
    else if (R < 0.25 * w)
      sc.add(Set(u"1 2 3 4 5 7 J S T Y Z"));
    if (R > 0.6 * w) sc.add(Set(u"6"));  // L5
  }
  const int k = p.kmax;
  if (k < 0.55 * N) sc.add(Set(u"2 7 Z Ä Ö A"));               // L6
  if (k > 0.5 * N) sc.add(Set(u"5 S Y"));                      // L7
  if (k > 0.25 * N) sc.add(Set(u"V W"));                       // L8
  if (k > 0.7 * N || k < 0.3 * N) sc.add(Set(u"X"));           // L9
  if (k > 0.6 * N || k < 0.15 * N) sc.add(Set(u"9"));          // L10
  if (p.has(n - 2, n - 3, n - 6, n - 7)) {                     // L11
    if ((p[n - 2] + p[n - 3]) - (p[n - 6] + p[n - 7]) < 1)
      sc.add(Set(u"4"));
    else
      sc.add(Set(u"Y V X"));
  }
  if (p.has(1, 3, 5, 6, 8, 10)) {
    const int e = (p[1] + p[3] + p[5]) - (p[6] + p[8] + p[10]);
    if (e < 0) sc.add(Set(u"V"));            // L12
    if (e > -0.05 * w) sc.add(Set(u"X"));    // L13
  }
  if (p.has(H2, H2 + 1, 1, 2) && (p[H2] + p[H2 + 1]) - (p[1] + p[2]) < 0.2 * w) sc.add(Set(u"7"));  // L14
  if (p.has(H2, H2 + 1, 1, n - 2) && (p[H2] + p[H2 + 1]) - (p[1] + p[n - 2]) > 0.1 * w)              // L15
    sc.add(Set(u"C O 0 G"), 2);
  if (p.has(Q3 - 1, Q3, 1, 2) && std::abs((p[Q3 - 1] + p[Q3]) - (p[1] + p[2])) > 0.25 * w)  // L16
    sc.add(Set(u"T"));
  if (p.has(H2, H2 + 1, Q3, Q3 + 1) &&
      (p[H2] + p[H2 + 1]) - (p[Q3] + p[Q3 + 1]) > std::max(3.0, 0.5 * w))  // L17
    sc.add(Set(u"I J"));
  if (p.has(Q3, H2) && p[Q3] + p[H2] < w) sc.add(Set(u"J"));  // L18
  if (p.has(H2 - 1, H2, H2 + 1, H2 + 2) &&
      std::min({p[H2 - 1], p[H2], p[H2 + 1], p[H2 + 2]}) > 0.7 * w)  // L19
    sc.add(Set(u"3"));
  if (p.has(1, 2, 3) && p[1] + p[2] + p[3] > 0.5 * w) sc.add(Set(u"A"));  // L20
  int rise = 0;                                                           // L21
  for (int j = 0; j < 0.5 * N && j + 2 < n; ++j) rise = std::max(rise, p[j + 2] - p[j]);
  if (rise < 0.25 * w) sc.add(Set(u"3 5 J S"));
  int fall = 0;  // L22
  for (int j = N; j > 0.5 * N && j >= 2; --j) fall = std::max(fall, p[j - 2] - p[j]);
  if (fall < 0.25 * w) sc.add(Set(u"1 2 3 7 T Z"));
}

bool ApplyGate(BoxReading& r) {
  const Profile& q = r.prof.right;
  const int n = q.n;
  if (r.h > 4 * r.w && q.has(9, 10, n - 3, n - 2) && (q[9] + q[10]) - (q[n - 3] + q[n - 2]) > 0.4 * r.w) {
    r.scores.add(Set(u"1"));
    return true;
  }
  return false;
}

void ApplyRightRules(BoxReading& rd) {
  const Profile& r = rd.prof.right;
  const Profile& p = rd.prof.left;
  const Scores& sc = rd.scores;
  const double w = rd.w, t = rd.t;
  const int n = r.n, Nr = r.N();

  if (r.has(9, 10, n - 2, n - 3) && (r[9] + r[10]) - (r[n - 2] + r[n - 3]) > 0.4 * w) sc.add(Set(u"1"));  // R1
  if (auto st = StatOf(r, 2, n - 4)) {                                                                   // R2
    if (st->m < 0.15 * w && st->s < t) {
      sc.add(Set(u"2 5 7 Ä Ö C E F G L P S T Y Z"));
      if (st->s < 0.75 * t) sc.add(Set(u"6 K R X"));
      if (st->s < 0.5 * t) sc.add(Set(u"V"));
    } else if (st->m < 0.25 * w || st->s >= 0.5 * t) {
      sc.add(Set(u"Ü H J M N U"));
    } else {
      sc.add(Except(u"1 4 C I L T"));
    }
  }
  const int k3 = Nr / 3;  // R3
  if (auto top = Largest(r, k3, Nr / 2 + 1); top && r.has(n - 3)) {
    const int d = top->value - r[n - 3];
    if (d < 0.5 * w) {
      sc.add(Set(u"G"));
      if (d < 0.25 * w) sc.add(Set(u"6"));
    }
  }
  if (auto st = StatOf(r, 5, n - 10); st && st->s > t) sc.add(Set(u"T I"));  // R4
  if (auto st = StatOf(r, 5, Nr - 5); st && st->s > t) sc.add(Set(u"1"));    // R5
  if (r.hasRange) {
    const int R = r.range;
    if (R > 0.45 * w) {  // R6
      sc.add(Set(u"0 1 3 8 B D H J M N O Q U W"));
    } else if (R < 0.25 * w) {
      sc.add(Set(u"2 5 6 7 C E F G K L P S T Y Z"));
      if (R < 0.1 * w) sc.add(Set(u"V"));
    }
    if (R > 0.6 * w) sc.add(Set(u"9"));  // R7
    if (r.kmax >= 0.5 * Nr || R < 0.25 * w) {  // R8
      if (r.kmax > 0.6 * Nr) sc.add(Set(u"Y"));
    } else {
      sc.add(Set(u"5 Ä Ö A S"));
    }
  }
  if (r.kmax > 0.3 * Nr) sc.add(Set(u"2 7 W Z"));  // R9
  if (r.kmax > 0.4 * Nr) sc.add(Set(u"V"));        // R10
  if (r.has(r.kmax)) {
    int kk = r.kmax;  // end of the run of equal values from kmax
    while (kk + 1 < n && r[kk + 1] == r[r.kmax]) ++kk;
    if (kk > 0.7 * Nr || kk < 0.3 * Nr) sc.add(Set(u"K R X"));  // R11
    if (kk > 0.85 * Nr || kk < 0.5 * Nr) {                       // R12
      sc.add(Set(u"6"));
      if (kk < 0.5 * Nr && r.has(Nr / 2, 1) && r[Nr / 2] - r[1] > 0.2 * w) sc.add(Set(u"9 V"));
    }
  }
  if (r.has(n - 2, n - 3, n - 5, n - 6) && (r[n - 2] + r[n - 3]) - (r[n - 5] + r[n - 6]) > 0)  // R13
    sc.add(Set(u"Y V X K 4"));
  if (r.has(1, 3, 5, 6, 8, 10) && (r[1] + r[3] + r[5]) - (r[6] + r[8] + r[10]) < 0.05 * w)  // R14
    sc.add(Set(u"V"));
  if (r.has(1, 3, 5, 6, 8, 9) && (r[1] + r[3] + r[5]) - (r[6] + r[8] + r[9]) > -0.05 * w)  // R15
    sc.add(Set(u"X R K"));
  if (r.has(1, 2, 4, 5) && p.has(1, 2, 4, 5) &&
      (r[1] + r[2] + p[1] + p[2]) - (r[4] + r[5] + p[4] + p[5]) > std::max(2.0, 0.05 * w))  // R16
    sc.add(Set(u"Y"), 2);
  const int pn = p.n;  // R17
  if (p.N() < 21) {
    if (r.has(1, n - 1) && p.has(1, pn - 1))
      sc.add((r[1] + p[1]) - (r[n - 1] + p[pn - 1]) < 0.5 * w ? Set(u"T") : Set(u"I"));
  } else if (r.has(1, n - 2) && p.has(1, pn - 2)) {
    sc.add((r[1] + p[1]) - (r[n - 2] + p[pn - 2]) >= 0.5 * w ? Set(u"I") : Set(u"T"));
  }
  if (r.has(2, 4, 10, 12) && p.has(2, 4, 10, 12) &&
      std::abs((r[2] + r[4] + p[2] + p[4]) - (r[10] + r[12] + p[10] + p[12])) > 0.4 * w)  // R18
    sc.add(Set(u"H M N"), 2);
  if (r.has(5, 6) && r[5] + r[6] < w) sc.add(Set(u"F P"));  // R19
  {                                                         // R20
    int g = 0, jg = 0;
    for (int j = 0; j < 0.65 * Nr && j + 2 < n; ++j)
      if (r[j + 2] - r[j] > g) {
        g = r[j + 2] - r[j];
        jg = j;
      }
    if (g <= 0.3 * w) {
      sc.add(Set(u"2"));
      sc.add(Set(u"L"), 2);
      sc.add(Set(u"Z"));
    } else {
      int j = 0;
      for (int i = jg; i < Nr - 1; ++i)
        if (r[i] - r[i + 2] > 0.3 * w) {
          j = i;
          break;
        }
      if (j != 0) {
        if (j > 0.62 * Nr)
          sc.add(Set(u"E"));
        else if (j < 0.55 * Nr)
          sc.add(Set(u"C G"), 2);
      }
    }
  }
  if (p.has(1, 2, pn - 3, pn - 2) && r.has(1, 2, n - 3, n - 2)) {
    const int dl = (p[1] + p[2]) - (p[pn - 3] + p[pn - 2]);
    const int dr = (r[1] + r[2]) - (r[n - 3] + r[n - 2]);
    if (dl < 0.1 * w || dr < 0.1 * w) sc.add(Set(u"Y V"));  // R21
    if (dl < 0 || dr < 0) sc.add(Set(u"W Y V"));            // R22
  }
  const int Q = 3 * Nr / 4;
  if (r.has(Q, Q + 1, 1, 2) && (r[Q] + r[Q + 1]) - (r[1] + r[2]) > -0.2 * w) sc.add(Set(u"7"));  // R23
  if (r.has(Q - 1, Q, 1, 2) && std::abs((r[Q - 1] + r[Q]) - (r[1] + r[2])) > 0.25 * w)          // R24
    sc.add(Set(u"T"));
}

namespace {

// Mean and deviation of q[1..] (Nb - 1 values) for short profiles, of
// q[2..] (Nb - 3 values) otherwise.
std::optional<Stat> InnerStat(const Profile& q) {
  const int N = q.N();
  return N <= 10 ? StatOf(q, 1, N - 1) : StatOf(q, 2, N - 3);
}

}  // namespace

void ApplyBottomRules(BoxReading& r) {
  const Profile& q = r.prof.bottom;
  const Scores& sc = r.scores;
  const double h = r.h, t = r.t;
  const int n = q.n, Nb = q.N();

  if (auto st = StatOf(q, 0, n); st && st->s < 0.25 * t) sc.add(Set(u"S 6"));  // B1
  if (auto st = InnerStat(q); st && q.hasRange) {                                      // B2
    const int V = q.range;
    if ((st->m >= 0.1 * h || st->s >= t) && V <= 0.3 * h) {
      sc.add(Set(u"5 7 Ü E F H J L N T U V W Z"));
    } else if (st->m >= 0.1 * h || st->s >= t) {
      sc.add(Set(u"0 2 3 5 7 9 Ä Ö C D E F G O P Q R S T Z"));
    } else {
      sc.add(Set(u"4 Ä Ö Ü H K L M N U V W X Y"));
      if (st->m < 0.05 * h && st->s < 0.75 * t) sc.add(Set(u"1"));
    }
  }
  if (q.has(Nb, 0) && (q[Nb] == 0 || q[0] == 0)) sc.add(Set(u"S"));  // B3
  if (q.hasRange && q.range < 0.1 * h) sc.add(Set(u"Y X"));          // B4
  if (q.kmax < 0.55 * Nb)                                             // B5
    sc.add(Set(u"N"));
  else if (q.kmax >= 0.6 * Nb)
    sc.add(Set(u"K"));
  if (q.kmax > 0.7 * Nb || q.kmax < 0.3 * Nb) sc.add(Set(u"Ä Ö Ü M V X Y"));  // B6
  const int k = Nb / 2;
  if (Nb > 5 && q.has(k + 1, k + 2, k + 3) && q[k + 1] + q[k + 2] + q[k + 3] > h) sc.add(Set(u"I"));  // B7
  const auto top = Nb < 9 ? Largest(q, k - 1, 4) : Largest(q, k, 2);                                 // B8
  if (top && q.has(Nb - 1, 1) && 2 * top->value - (q[Nb - 1] + q[1]) > 0.1 * h)
    sc.add(Set(u"0 2 9 A B C D G O P Q R S"));
}

void ApplyTopRules(BoxReading& r) {
  const Profile& u = r.prof.top;
  const Scores& sc = r.scores;
  const double h = r.h, t = r.t;
  const int Nu = u.N(), k = Nu / 2;

  if (auto st = StatOf(u, 1, k - 1); st && (st->m < 0.08 * h || st->m > 0.5 * h || st->s > t))  // T1
    sc.add(Set(u"4"));
  if (auto st = InnerStat(u); st && u.hasRange) {  // T2
    const int V = u.range;
    if ((st->m >= 0.1 * h || st->s >= t) && V <= 0.3 * h) {
      sc.add(Set(u"2 E F H L M N P R T Y Z"));
      if (V < 0.2 * h) sc.add(Set(u"X"));
    } else if (st->m >= 0.1 * h || st->s >= t) {
      sc.add(Set(u"0 2 3 4 5 6 8 Ä Ö Ü A B C D E G J L O Q S U Z"));
    } else {
      sc.add(Set(u"4 7 Ä A F H K M N P R T V W X Y"));
    }
  }
  if (u.kmax > 0.6 * Nu) sc.add(Set(u"K N R"));  // T3
  if (u.has(Nu - 1, 1, k, k + 1) && (u[Nu - 1] + u[1]) - (u[k] + u[k + 1]) > 0)  // T4
    sc.add(Set(u"Ä A H X K N R"));
  if (auto top = Largest(u, k - 1, 4); top && u.has(Nu - 1, 1) &&
                                       2 * top->value - (u[Nu - 1] + u[1]) > 0.1 * h)  // T5
    sc.add(Set(u"0 3 5 6 8 Ö B C D J O S"));
  if (u.has(k, 2, Nu - 2) && 2 * u[k] - (u[2] + u[Nu - 2]) > 0.125 * h) sc.add(Set(u"I"));  // T6
}

namespace {

// Lines along the plate at rows b = first, first + 1.1 / h, ... up to last,
// each from two pixels before the box to its far side.
EntryCounts RowEntries(const BoxReading& r, double first, double last) {
  EntryCounts e;
  const BoxFrame& b = r.box;
  ForFractions(first, 1.1 / r.h, last, true, [&](double f) {
    e.take(CrossingScan(b.image, b.px(0, f) - 2, b.py(0, f), b.px(1, f), b.py(1, f), kRight, 0));
  });
  return e;
}

}  // namespace

void ApplyStrokeRules(BoxReading& r) {
  const Scores& sc = r.scores;
  const BoxFrame& b = r.box;

  EntryCounts c1;
  ForFractions(0.35, std::max(0.04, 1.0 / r.w), 0.72, false, [&](double a) {
    c1.take(CrossingScan(b.image, b.px(a, 1), b.py(a, 1) + 1, b.px(a, 0), b.py(a, 0), kUp, 0));
  });
  if (c1.smallest == 1) sc.add(Set(u"2 5 E G S Z"));
  if (c1.smallest == 2) sc.add(Set(u"H L M N T U V W X Y"));
  if (c1.second == 1) sc.add(Set(u"0 2 3 5 6 8 9 Ä Ö B C D E G O P Q R S Z"));
  if (c1.second == 3) sc.add(Set(u"0 1 Ä Ü A C D F H I J K L M N O P T U V W X Y"));
  if (c1.second == 2) sc.add(Set(u"5 8 B E H L M N S"));

  const EntryCounts c2 = RowEntries(r, 0.4, 0.61);
  if (c2.smallest == 1) sc.add(Set(u"0 Ä Ö Ü D O Q U"));
  if (c2.smallest > 1) sc.add(Set(u"1 2 3 7 C E F I J L S T X Z"));
  if (c2.second == 1) sc.add(Set(u"0 Ä Ö Ü D O Q U"));
  if (c2.second > 1) sc.add(Set(u"3 7 C E F I J L S T Z"));

  const EntryCounts c3 = RowEntries(r, 0.04, 0.29);
  if (c3.smallest > 1) sc.add(Set(u"1 2 7 C E F I J L P S T Y Z"));
  if (c3.second == 1) {
    sc.add(Set(u"0 6 8 Ä Ö Ü A B D G H K M N O Q R U W X"));
    if (c3.largest > 1) sc.add(Set(u"A"), -1);
  }
  if (c3.second > 1) sc.add(Set(u"1 2 7 E F I T Z"));

  const EntryCounts c4 = RowEntries(r, 0.72, 0.93);
  if (c4.smallest == 1) sc.add(Set(u"H M N U V W"));
  if (c4.smallest > 1) sc.add(Set(u"3 4 5 E F I J L T Z"));
  if (c4.second == 1) sc.add(Set(u"8 9 Ä Ö Ü B D H K M N O P Q R U V W X Y"));
  if (c4.second > 1) sc.add(Set(u"E F I J L T"));
}

int DeepestRun(const BoxReading& r, double first) {
  const BoxFrame& b = r.box;
  int deepest = 0;
  ForFractions(first, 0.05, 0.61, false, [&](double a) {
    deepest = std::max(deepest, RunScan(b.image, b.px(a, 0.25), b.py(a, 0.25), b.px(a, 1), b.py(a, 1)).leading);
  });
  return deepest;
}

void ApplyMiddleDepthRule(BoxReading& r) {
  if (DeepestRun(r, 0.3) <= 0.4 * r.h) {
    r.scores.add(Set(u"0 C D O"));
  } else {
    r.scores.add(Set(u"6 P"));
    r.scores.add(Set(u"8 B"), 2);
  }
}

}  // namespace kelmar::plate
