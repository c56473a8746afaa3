#include "contour/line_segments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace forvik {

namespace {

constexpr int kWindow = 8;

struct Points {
  const float* xs;
  const float* ys;
  int n;
  bool closed;
  // Indexes past the end wrap on a closed list.
  int at(int i) const { return closed ? i % n : i; }
  float x(int i) const { return xs[at(i)]; }
  float y(int i) const { return ys[at(i)]; }
  bool missing(int i) const { return xs[at(i)] == -1.0f; }
  // Free and fitted coordinates of point i in the given form.
  void uv(int i, uint8_t orientation, int64_t* u, int64_t* v) const {
    const int64_t xi = static_cast<int64_t>(x(i)), yi = static_cast<int64_t>(y(i));
    *u = orientation ? xi : yi;
    *v = orientation ? yi : xi;
  }
};

struct Line {
  float a = 0, b = 0;
  uint8_t orientation = 1;
};

// Integer sums of a least-squares fit; 64 bits hold them for any frame, and
// the determinants are formed in 128 bits.
struct Sums {
  int64_t n = 0, su = 0, sv = 0, suv = 0, suu = 0;
  void add(int64_t u, int64_t v) { ++n, su += u, sv += v, suv += u * v, suu += u * u; }
  // False when the free coordinate does not vary: no line in this form.
  bool solve(uint8_t orientation, Line* out) const {
    const __int128 den = static_cast<__int128>(n) * suu - static_cast<__int128>(su) * su;
    if (den == 0 || n == 0) return false;
    const __int128 num = static_cast<__int128>(n) * suv - static_cast<__int128>(su) * sv;
    const double a = static_cast<double>(num) / static_cast<double>(den);
    out->a = static_cast<float>(a);
    out->b = static_cast<float>((static_cast<double>(sv) - a * static_cast<double>(su)) / static_cast<double>(n));
    out->orientation = orientation;
    return true;
  }
};

bool HasMissing(const Points& p, int i0, int i1) {
  for (int i = i0; i <= i1; ++i)
    if (p.missing(i)) return true;
  return false;
}

uint8_t FormOf(const Points& p, int i0, int i1) {
  const int dx = static_cast<int>(p.x(i1)) - static_cast<int>(p.x(i0));
  const int dy = static_cast<int>(p.y(i1)) - static_cast<int>(p.y(i0));
  return std::abs(dx) < std::abs(dy) ? 0 : 1;
}

// skipMissing: missing points take no part (a joined segment may span
// blanked points, which carry no position).
Sums SumsOf(const Points& p, int i0, int i1, uint8_t orientation, bool skipMissing = false) {
  Sums s;
  for (int i = i0; i <= i1; ++i) {
    if (skipMissing && p.missing(i)) continue;
    int64_t u, v;
    p.uv(i, orientation, &u, &v);
    s.add(u, v);
  }
  return s;
}

bool FitRange(const Points& p, int i0, int i1, Line* out, bool skipMissing = false) {
  const uint8_t o = FormOf(p, i0, i1);
  return SumsOf(p, i0, i1, o, skipMissing).solve(o, out);
}

double SquaredResiduals(const Points& p, const Line& l, int i0, int i1) {
  double sum = 0;
  for (int i = i0; i <= i1; ++i) {
    const float u = l.orientation ? p.x(i) : p.y(i), v = l.orientation ? p.y(i) : p.x(i);
    const float r = l.a * u + l.b - v;
    sum += static_cast<double>(r) * r;
  }
  return sum;
}

double WindowError(const Points& p, const Line& l, int i0) {
  return std::sqrt(SquaredResiduals(p, l, i0, i0 + kWindow - 1) * 0.125);
}

void SetLength(LineSegment* s) {
  const float dx = s->x1 - s->x0, dy = s->y1 - s->y0;
  s->length = std::sqrt(dx * dx + dy * dy);
}

LineSegment Segment(const Points& p, int first, int last, const Line& l) {
  LineSegment s;
  s.x0 = p.x(first), s.y0 = p.y(first), s.x1 = p.x(last), s.y1 = p.y(last);
  s.a = l.a, s.b = l.b, s.orientation = l.orientation;
  s.first = p.at(first), s.last = p.at(last);
  SetLength(&s);
  return s;
}

// The previous segment takes in the new one: its end moves to the new end
// and its line is refitted over all its points.
void Join(const Points& p, LineSegment* last, const LineSegment& next) {
  last->x1 = next.x1, last->y1 = next.y1;
  last->last = next.last;
  const int end = last->last >= last->first ? last->last : last->last + p.n;
  Line l;
  if (FitRange(p, last->first, end, &l, true)) last->a = l.a, last->b = l.b, last->orientation = l.orientation;
  SetLength(last);
}

// The first segment of a closed list takes in the last one when they run
// the same way: its ends become the extreme ends of the two along its axis.
void FoldLastIntoFirst(LineSegment* first, const LineSegment& last) {
  const bool alongX = first->orientation == 1;
  const float xs[] = {first->x0, first->x1, last.x0, last.x1};
  const float ys[] = {first->y0, first->y1, last.y0, last.y1};
  int lo = 0, hi = 0;
  for (int k = 1; k < 4; ++k) {
    const float key = alongX ? xs[k] : ys[k];
    if (key < (alongX ? xs[lo] : ys[lo])) lo = k;
    if (key > (alongX ? xs[hi] : ys[hi])) hi = k;
  }
  const float x0 = xs[lo], y0 = ys[lo], x1 = xs[hi], y1 = ys[hi];
  const float den = alongX ? x1 - x0 : y1 - y0;
  if (den == 0) return;
  first->x0 = x0, first->y0 = y0, first->x1 = x1, first->y1 = y1;
  if (alongX) {
    first->a = (y1 - y0) / den;
    first->b = (y0 * (x1 - x0) - x0 * (y1 - y0)) / den;
  } else {
    first->a = (x1 - x0) / den;
    first->b = (x0 * (y1 - y0) - y0 * (x1 - x0)) / den;
  }
  first->first = last.first;
  SetLength(first);
}

// Whether `next` carries on from `prev` along the outline: it starts where
// `prev` ends and runs the same way. The slopes alone do not tell the two
// long sides of a bar, which run back along each other, from one side;
// across a bar 8 px wide their ends are also within 4 px.
bool CarriesOn(const LineSegment& prev, const LineSegment& next) {
  const bool meet = std::fabs(prev.x1 - next.x0) <= 4 && std::fabs(prev.y1 - next.y0) <= 4;
  const float along = (prev.x1 - prev.x0) * (next.x1 - next.x0) + (prev.y1 - prev.y0) * (next.y1 - next.y0);
  return meet && along > 0;
}

}  // namespace

bool SameDirection(const LineSegment& s1, const LineSegment& s2, float tolerance) {
  if (s1.orientation == s2.orientation) return std::fabs(s1.a - s2.a) < tolerance / 2;
  const bool sameSign = (s1.a > 0 && s2.a > 0) || (s1.a < 0 && s2.a < 0);
  return sameSign && std::fabs(std::fabs(s1.a) + std::fabs(s2.a) - 2) < tolerance / 2;
}

void ExtractLineSegments(const float* xs, const float* ys, int lastIndex, float maxResidual, float angleTolerance,
                         bool closed, std::vector<LineSegment>& segments) {
  if (lastIndex < 0) return;
  const Points p{xs, ys, lastIndex + 1, closed};
  if (lastIndex < kWindow - 1) {
    Line l;
    if (!FitRange(p, 0, lastIndex, &l)) return;
    if (std::sqrt(SquaredResiduals(p, l, 0, lastIndex) / p.n) < maxResidual) segments.push_back(Segment(p, 0, lastIndex, l));
    return;
  }

  const size_t firstOfCall = segments.size();
  // Highest (unwrapped) index a point of a segment may have. A closed list
  // may be searched round its start once: before the first segment any
  // window start is allowed, after it points up to one turn on from that
  // segment's start, which the last segment then shares.
  int limit = closed ? lastIndex + kWindow - 1 : lastIndex;
  bool found = false;
  // Where a closed list starts is arbitrary: a first segment opened at it
  // may begin mid-side or run round a corner its window straddled. It is
  // let go, and the walk restarts at its end, which ends a side as every
  // later segment's end does, and goes once round back to that point.
  bool restarted = !closed;
  for (int i = 0; i + kWindow - 1 <= limit;) {
    const int windowEnd = i + kWindow - 1;
    Line fit;
    // A window with a missing point anywhere is passed over: a blanked point
    // sits at (-1, -1), and two clusters always fit a line.
    if (HasMissing(p, i, windowEnd) || !FitRange(p, i, windowEnd, &fit) ||
        !(WindowError(p, fit, i) < maxResidual)) {
      ++i;
      continue;
    }
    if (closed && !found) limit = i + lastIndex + 1;
    found = true;

    // Growing one point at a time while the fit holds at the new end and at
    // the anchor window (or the anchor shifted on by one).
    Sums sums = SumsOf(p, i, windowEnd, fit.orientation);
    int s = i, end = windowEnd;
    while (end + 1 <= limit && !p.missing(end + 1)) {
      Sums next = sums;
      int64_t u, v;
      p.uv(end + 1, fit.orientation, &u, &v);
      next.add(u, v);
      Line grown;
      if (!next.solve(fit.orientation, &grown)) break;
      const double eAll = WindowError(p, grown, s), eShift = WindowError(p, grown, s + 1);
      const double eLast = WindowError(p, grown, end + 2 - kWindow);
      if (eLast > maxResidual || (eAll > maxResidual && eShift > maxResidual)) break;
      sums = next;
      fit = grown;
      ++end;
      if (eAll > maxResidual) ++s;
    }

    if (!restarted && i == 0) {
      restarted = true;
      limit = end + lastIndex + 1;
      i = end;
      continue;
    }
    restarted = true;

    const LineSegment seg = Segment(p, i, end, fit);
    LineSegment* prev = segments.size() > firstOfCall ? &segments.back() : nullptr;
    if (prev && SameDirection(*prev, seg, angleTolerance) && CarriesOn(*prev, seg)) {
      Join(p, prev, seg);
    } else {
      segments.push_back(seg);
    }
    i = end;
  }

  // The last segment joins the first only where it carries on into it, as
  // any other join: on direction alone the two long sides of a thin bar
  // became one line across it.
  if (closed && segments.size() >= firstOfCall + 2 &&
      SameDirection(segments[firstOfCall], segments.back(), angleTolerance) &&
      CarriesOn(segments.back(), segments[firstOfCall])) {
    FoldLastIntoFirst(&segments[firstOfCall], segments.back());
    segments.pop_back();
  }
}

}  // namespace forvik
