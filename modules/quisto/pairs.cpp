// Methods on lines and pairs of points, element by element.
#include <cmath>
#include <optional>

#include "arrays.h"
#include "frame/text_format.h"

namespace quisto {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

// hypot: squares of coordinates past 1e154 would overflow to infinity.
double Length(double x0, double y0, double x1, double y1) { return std::hypot(x1 - x0, y1 - y0); }

// Distance of (xp, yp) from the line through the two ends, along the unit
// normal: no product of two coordinates, so that large ones stay finite.
double DistanceFromLine(const TLine& l, double xp, double yp) {
  const double len = Length(l.x0, l.y0, l.x1, l.y1);
  // A line of zero length is its first point.
  if (len == 0) return Length(l.x0, l.y0, xp, yp);
  if (!std::isfinite(len)) return len;  // no direction to measure along
  const double ux = (l.x1 - l.x0) / len, uy = (l.y1 - l.y0) / len;
  return std::fabs(ux * (yp - l.y0) - uy * (xp - l.x0));
}

// A distance that is still not finite (coordinates beyond the double range
// once subtracted, or not numbers) is refused rather than written.
bool Finite(const RunArgs& a, double d) { return std::isfinite(d) || a.fail(kNoFiniteDistance); }

void DrawLength(void* ctx, double x0, double y0, double x1, double y1, double value) {
  const std::u16string text = frame::FormatText(63, "%.2f", value);
  const Pen pen = PenOf(ctx, kResultRole);
  DrawDimension(ctx, x0, y0, x1, y1, static_cast<int>(text.size()), text.c_str(), 0.0, pen.thick, pen.color);
}

void DrawInputLine(void* ctx, const TLine& l) {
  const Pen pen = PenOf(ctx, kInputRole);
  DrawLine(ctx, l.x0, l.y0, l.x1, l.y1, pen.thick, pen.color);
}

bool ZeroLength(const TLine& l) { return l.x0 == l.x1 && l.y0 == l.y1; }

// A line as y = k x + q (flat) or x = k y + q (steep).
struct LineForm {
  bool flat;
  double k, q;
};

LineForm FormOf(const TLine& l) {
  if (std::fabs(l.y0 - l.y1) / 10 <= std::fabs(l.x0 - l.x1)) {
    const double k = (l.y1 - l.y0) / (l.x1 - l.x0);
    return {true, k, l.y1 - k * l.x1};
  }
  const double k = (l.x1 - l.x0) / (l.y1 - l.y0);
  return {false, k, l.x1 - k * l.y1};
}

// The cross point, none for lines counted as parallel. A line of zero length
// has no direction, so it crosses nothing.
std::optional<TPoint> CrossPoint(const TLine& l1, const TLine& l2) {
  if (ZeroLength(l1) || ZeroLength(l2)) return std::nullopt;
  const LineForm a = FormOf(l1), b = FormOf(l2);
  if (a.flat == b.flat) {
    const double m = std::max({std::fabs(a.k), 0.01, std::fabs(b.k)});
    if (std::fabs(a.k - b.k) / m < 0.05 || (std::fabs(a.k) < 0.01 && std::fabs(b.k) < 0.01)) return std::nullopt;
    const double common = (b.q - a.q) / (a.k - b.k);
    const double other = a.k * common + a.q;
    return a.flat ? TPoint{common, other} : TPoint{other, common};
  }
  const double d = 1 - a.k * b.k;
  if (std::fabs(d) < 0.02) return std::nullopt;
  const double first = (a.k * b.q + a.q) / d;  // y when line 1 is flat, x when steep
  const double second = b.k * first + b.q;
  return a.flat ? TPoint{second, first} : TPoint{first, second};
}

}  // namespace

bool RunMidpoint(const RunArgs& a) {
  ArrayInput<TLine> line(a, kMidpoint, 0, GetLine, kNoInputLine);
  const bool show = ReadShow(a, 1, kNameHi);
  ArrayOutput<TPoint> out(a, 0, GetPoint);
  return ForEachElement(a, line.max, out, [&](int i) {
    if (!line.fetch(a, i)) return false;
    const TLine& l = line.value;
    // Halves first: the same value, and finite for any finite ends.
    const TPoint c{l.x0 * 0.5 + l.x1 * 0.5, l.y0 * 0.5 + l.y1 * 0.5};
    TPoint* o = out.at(a, i);
    if (!o) return false;
    *o = c;
    if (show) {
      DrawPointMark(a.ctx, c.x, c.y, kResultRole);
      DrawInputLine(a.ctx, l);
      DrawCoordinates(a.ctx, c.x, c.y);
    }
    return true;
  });
}

bool RunLength(const RunArgs& a) {
  ArrayInput<TLine> line(a, kLength, 0, GetLine, kNoInputLine);
  const bool show = ReadShow(a, 1, kNameHi);
  ArrayOutput<double> out(a, 0, GetNumber);
  return ForEachElement(a, line.max, out, [&](int i) {
    if (!line.fetch(a, i)) return false;
    const TLine& l = line.value;
    const double len = Length(l.x0, l.y0, l.x1, l.y1);
    if (!Finite(a, len)) return false;
    double* o = out.at(a, i);
    if (!o) return false;
    *o = len;
    if (show) DrawLength(a.ctx, l.x0, l.y0, l.x1, l.y1, len);
    return true;
  });
}

bool RunDistance(const RunArgs& a) {
  ArrayInput<TPoint> p1(a, kDistance, 0, GetPoint, kNoInputPoints);
  ArrayInput<TPoint> p2(a, kDistance, 1, GetPoint, kNoInputPoints);
  const bool show = ReadShow(a, 2, kNameHi);
  ArrayOutput<double> out(a, 0, GetNumber);
  return ForEachElement(a, std::max(p1.max, p2.max), out, [&](int i) {
    if (!p1.fetch(a, i) || !p2.fetch(a, i)) return false;
    const TPoint& u = p1.value;
    const TPoint& v = p2.value;
    const double d = Length(u.x, u.y, v.x, v.y);
    if (!Finite(a, d)) return false;
    double* o = out.at(a, i);
    if (!o) return false;
    *o = d;
    if (show) DrawLength(a.ctx, u.x, u.y, v.x, v.y, d);
    return true;
  });
}

bool RunDistanceLine(const RunArgs& a) {
  ArrayInput<TPoint> point(a, kDistanceLine, 0, GetPoint, kNoInputPoints);
  ArrayInput<TLine> line(a, kDistanceLine, 1, GetLine, kNoInputLine);
  ArrayOutput<double> out(a, 0, GetNumber);
  return ForEachElement(a, std::max(point.max, line.max), out, [&](int i) {
    if (!point.fetch(a, i) || !line.fetch(a, i)) return false;
    const double d = DistanceFromLine(line.value, point.value.x, point.value.y);
    if (!Finite(a, d)) return false;
    double* o = out.at(a, i);
    if (!o) return false;
    *o = d;
    return true;
  });
}

bool RunLinesIntersection(const RunArgs& a) {
  ArrayInput<TLine> l1(a, kLinesIntersection, 0, GetLine, kNoInputLine);
  ArrayInput<TLine> l2(a, kLinesIntersection, 1, GetLine, kNoInputLine);
  const bool show = ReadShow(a, 2, kNameHi);
  ArrayOutput<TPoint> out(a, 0, GetPoint);
  return ForEachElement(a, std::max(l1.max, l2.max), out, [&](int i) {
    if (!l1.fetch(a, i) || !l2.fetch(a, i)) return false;
    const std::optional<TPoint> c = CrossPoint(l1.value, l2.value);
    if (!c) return a.fail(kNoCrossPoint);
    if (!std::isfinite(c->x) || !std::isfinite(c->y)) return a.fail(kNoFiniteCrossPoint);
    TPoint* o = out.at(a, i);
    if (!o) return false;
    *o = *c;
    if (show) {
      DrawPointMark(a.ctx, c->x, c->y, kResultRole);
      DrawInputLine(a.ctx, l1.value);
      DrawInputLine(a.ctx, l2.value);
      DrawCoordinates(a.ctx, c->x, c->y);
    }
    return true;
  });
}

bool RunAngleLines(const RunArgs& a) {
  ArrayInput<TLine> l1(a, kAngleLines, 0, GetLine, kNoInputLine);
  ArrayInput<TLine> l2(a, kAngleLines, 1, GetLine, kNoInputLine);
  ArrayOutput<double> out(a, 0, GetNumber);
  return ForEachElement(a, std::max(l1.max, l2.max), out, [&](int i) {
    if (!l1.fetch(a, i) || !l2.fetch(a, i)) return false;
    const TLine& u = l1.value;
    const TLine& v = l2.value;
    // Not reduced to a range: the plain difference of the two directions.
    const double angle = (std::atan2(u.y1 - u.y0, u.x1 - u.x0) - std::atan2(v.y1 - v.y0, v.x1 - v.x0)) *
                         kDegreesPerRadian;
    double* o = out.at(a, i);
    if (!o) return false;
    *o = angle;
    return true;
  });
}

}  // namespace quisto
