// Constructors of coordinate systems, rectangles, rings, regions, points and
// lines. Positions and angles are carried into the frame by their flags.
#include <cmath>

#include "build.h"

namespace pranel {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

template <class T>
bool Rectangle(const RunArgs& a, int method, Getter<T> get, bool angleFallback) {
  return Build<T>(a, method, get, false, [&](const ElementRun& r, int i, T* v) {
    return r.Point(0, 1, i, &v->cx, &v->cy) && r.Number(2, i, &v->width) && r.Number(3, i, &v->height) &&
           r.Angle(4, i, &v->angle, angleFallback);
  });
}

template <class T>
bool Ring(const RunArgs& a, int method, Getter<T> get) {
  return Build<T>(a, method, get, false, [&](const ElementRun& r, int i, T* v) {
    return r.Point(0, 1, i, &v->cx, &v->cy) && r.Number(2, i, &v->r1) && r.Number(3, i, &v->r2) &&
           r.Angle(4, i, &v->a1) && r.Angle(5, i, &v->a2);
  });
}

}  // namespace

bool RunCoordinateSystem(const RunArgs& a) {
  return Build<TCoordinateSystem>(a, kCoordinateSystem, GetCoordinateSystem, false, [](const ElementRun& r, int i, auto* v) {
    return r.Point(0, 1, i, &v->x, &v->y) && r.Angle(2, i, &v->angle);
  });
}

bool RunCoordinateSystem2Points(const RunArgs& a) {
  return Build<TCoordinateSystem>(a, kCoordinateSystem2Points, GetCoordinateSystem, false, [](const ElementRun& r, int i, auto* v) {
    double x2 = 0, y2 = 0;
    if (!r.Point(0, 1, i, &v->x, &v->y) || !r.Point(2, 3, i, &x2, &y2)) return false;
    v->angle = std::atan2(y2 - v->y, x2 - v->x) * kDegreesPerRadian;
    NormalizeDegreeLongreal(&v->angle);
    return true;
  });
}

bool RunRectangle(const RunArgs& a) { return Rectangle<TRectangle>(a, kRectangle, GetRectangle, false); }
bool RunRectangularRegion(const RunArgs& a) {
  return Rectangle<TRectangularRegion>(a, kRectangularRegion, GetRectangularRegion, true);
}
bool RunRing(const RunArgs& a) { return Ring<TRing>(a, kRing, GetRing); }
bool RunRingRegion(const RunArgs& a) { return Ring<TRingRegion>(a, kRingRegion, GetRingRegion); }

bool RunPoint(const RunArgs& a) {
  return Build<TPoint>(a, kPoint, GetPoint, false,
                       [](const ElementRun& r, int i, TPoint* v) { return r.Point(0, 1, i, &v->x, &v->y); });
}

bool RunLine(const RunArgs& a) {
  return Build<TLine>(a, kLine, GetLine, false, [](const ElementRun& r, int i, TLine* v) {
    return r.Point(0, 1, i, &v->x0, &v->y0) && r.Point(2, 3, i, &v->x1, &v->y1);
  });
}

}  // namespace pranel
