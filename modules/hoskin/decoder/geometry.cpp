#include "decoder/geometry.h"

#include <algorithm>
#include <cmath>

namespace hoskin {

namespace {

constexpr double kDegrees = 3.14159265358979323846 / 180.0;

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

Segment Edge(const Quad& q, int k) { return {q.p[k].x, q.p[k].y, q.p[k + 1].x, q.p[k + 1].y}; }

// Intersection of the lines through (a, b) and (c, d); false when parallel.
bool LineIntersection(Point a, Point b, Point c, Point d, Point* out) {
  const double rx = b.x - a.x, ry = b.y - a.y, sx = d.x - c.x, sy = d.y - c.y;
  const double den = Cross(rx, ry, sx, sy);
  if (den == 0) return false;
  const double t = Cross(c.x - a.x, c.y - a.y, sx, sy) / den;
  *out = {a.x + t * rx, a.y + t * ry};
  return true;
}

Point Lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

double Distance(Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

}  // namespace

bool SegmentsIntersect(const Segment& a, const Segment& b) {
  const double rx = a.x1 - a.x0, ry = a.y1 - a.y0, sx = b.x1 - b.x0, sy = b.y1 - b.y0;
  const double den = Cross(rx, ry, sx, sy);
  if (den == 0) return false;
  const double qx = b.x0 - a.x0, qy = b.y0 - a.y0;
  const double t = Cross(qx, qy, sx, sy) / den;
  const double u = Cross(qx, qy, rx, ry) / den;
  return t >= 0 && t <= 1 && u >= 0 && u <= 1;
}

bool QuadEdgesCross(const Quad& q, const Segment& s) {
  for (int k = 0; k < 4; ++k) {
    if (SegmentsIntersect(Edge(q, k), s)) return true;
  }
  return false;
}

bool PointInQuad(const Quad& q, float x, float y) {
  bool inside = false;
  for (int k = 0; k < 4; ++k) {
    const Point a = q.p[k], b = q.p[k + 1];
    if ((a.y > y) == (b.y > y)) continue;
    const double xs = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
    if (xs <= x) inside = !inside;
  }
  return inside;
}

bool QuadsOverlap(const Quad& a, const Quad& b) {
  for (int k = 0; k < 4; ++k) {
    if (PointInQuad(a, static_cast<float>(b.p[k].x), static_cast<float>(b.p[k].y))) return true;
    if (PointInQuad(b, static_cast<float>(a.p[k].x), static_cast<float>(a.p[k].y))) return true;
  }
  for (int k = 0; k < 4; ++k) {
    if (QuadEdgesCross(a, Edge(b, k))) return true;
  }
  return false;
}

bool LineQuadIntersections(const Quad& quad, Point p, Point q, Point* first, Point* second) {
  const double rx = q.x - p.x, ry = q.y - p.y;
  Point found[2];
  double along[2];
  int n = 0;
  for (int k = 0; k < 4 && n < 2; ++k) {
    const Point a = quad.p[k], b = quad.p[k + 1];
    const double sx = b.x - a.x, sy = b.y - a.y;
    const double den = Cross(rx, ry, sx, sy);
    if (den == 0) continue;
    const double s = Cross(a.x - p.x, a.y - p.y, rx, ry) / den;
    if (s < 0 || s >= 1) continue;
    found[n] = {a.x + s * sx, a.y + s * sy};
    along[n] = Cross(a.x - p.x, a.y - p.y, sx, sy) / den;
    ++n;
  }
  if (n == 2 && along[1] < along[0]) {
    std::swap(found[0], found[1]);
  }
  if (n >= 1) *first = found[0];
  if (n >= 2) *second = found[1];
  return n > 0;
}

void ProjectQuad(const Quad& quad, Point p, Point q, Quad* out) {
  const Point c0 = quad.p[0], c1 = quad.p[1], c2 = quad.p[2], c3 = quad.p[3];
  const double side = Distance(c0, c1);
  const double ax = c3.x - c0.x, ay = c3.y - c0.y, axis = std::hypot(ax, ay);
  const auto fraction = [&](Point x) {
    if (side == 0) return 0.0;  // a degenerate quadrilateral has no extent across
    const double d = axis == 0 ? Distance(c0, x) : std::fabs(Cross(ax, ay, x.x - c0.x, x.y - c0.y)) / axis;
    return std::clamp(d / side, 0.0, 1.0);
  };
  const double fp = fraction(p), fq = fraction(q);
  out->p[0] = Lerp(c0, c1, fp);
  out->p[1] = Lerp(c0, c1, fq);
  out->p[2] = Lerp(c3, c2, fq);
  out->p[3] = Lerp(c3, c2, fp);
  out->Close();
}

void TiltScanLine(const Quad& quad, double angle, Point centre, Segment* s) {
  if (angle == 0) return;
  const double c = std::cos(angle * kDegrees), sn = std::sin(angle * kDegrees);
  const auto turn = [&](double x, double y) {
    return Point{(x - centre.x) * c - (y - centre.y) * sn + centre.x, (x - centre.x) * sn + (y - centre.y) * c + centre.y};
  };
  const Point p = turn(s->x0, s->y0), q = turn(s->x1, s->y1);
  Point hit;
  if (LineIntersection(p, q, quad.p[0], quad.p[3], &hit)) s->x0 = hit.x, s->y0 = hit.y;
  if (LineIntersection(p, q, quad.p[1], quad.p[2], &hit)) s->x1 = hit.x, s->y1 = hit.y;
}

double ScanTilt(const Quad& corners, double x0, double y0, double x1, double y1, int attempt) {
  if (attempt < 2 || attempt > 7) return 0;
  const double d = std::min(Distance({x0, y0}, corners.p[0]), Distance({x1, y1}, corners.p[2]));
  const double half = Distance({x0, y0}, {x1, y1}) / 2;
  const double a = std::atan2(d, half) / kDegrees * 0.5;
  const double tilt = a * (attempt / 2);
  return attempt % 2 == 0 ? tilt : -tilt;
}

void ClipSegment(const Quad& polygon, Segment* s) {
  // The winding decides which side of each edge is inside.
  double area = 0;
  for (int k = 0; k < 4; ++k) area += Cross(polygon.p[k].x, polygon.p[k].y, polygon.p[k + 1].x, polygon.p[k + 1].y);
  const double sign = area >= 0 ? 1 : -1;
  const double dx = s->x1 - s->x0, dy = s->y1 - s->y0;
  double enter = 0, leave = 1;
  for (int k = 0; k < 4; ++k) {
    const Point a = polygon.p[k], b = polygon.p[k + 1];
    // Inward normal of the edge.
    const double nx = -(b.y - a.y) * sign, ny = (b.x - a.x) * sign;
    const double num = nx * (s->x0 - a.x) + ny * (s->y0 - a.y);  // > 0 inside at t = 0
    const double den = nx * dx + ny * dy;
    if (den == 0) {
      if (num < 0) return;  // parallel and wholly outside
      continue;
    }
    const double t = -num / den;
    if (den > 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) return;
  const Segment in = *s;
  s->x0 = in.x0 + dx * enter;
  s->y0 = in.y0 + dy * enter;
  s->x1 = in.x0 + dx * leave;
  s->y1 = in.y0 + dy * leave;
}

Quad RegionCorners(double cx, double cy, double w, double h, double angle) {
  Quad q;
  q.p[0] = {cx - w / 2, cy - h / 2};
  q.p[1] = {cx + w / 2, cy - h / 2};
  q.p[2] = {cx + w / 2, cy + h / 2};
  q.p[3] = {cx - w / 2, cy + h / 2};
  if (angle != 0) {
    const double c = std::cos(angle * kDegrees), sn = std::sin(angle * kDegrees);
    for (int k = 0; k < 4; ++k) {
      const double x = q.p[k].x - cx, y = q.p[k].y - cy;
      q.p[k] = {x * c - y * sn + cx, x * sn + y * c + cy};
    }
  }
  q.Close();
  return q;
}

}  // namespace hoskin
