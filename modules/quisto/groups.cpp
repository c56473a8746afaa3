// Groups of points: joining, extending and their centre of mass.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "arrays.h"

namespace quisto {

namespace {

constexpr std::u16string_view kGroupName = u"Output group of points";

// Copies the points of `in` to elements first.. of the group; each copy is
// marked at drawing level 2.
bool CopyPoints(const RunArgs& a, ArrayInput<TPoint>& in, ArrayOutput<TPoint>& group, int first, bool show) {
  const bool mark = show && GetDrawingLevel(a.ctx) >= 2;
  for (int i = 0; i <= in.max; ++i) {
    if (!in.fetch(a, i)) return false;
    TPoint* o = group.at(a, first + i);
    if (!o) return false;
    *o = in.value;
    if (mark) DrawPointMark(a.ctx, in.value.x, in.value.y, kInputRole);
  }
  return true;
}

// The group's element 0 must be had before anything is copied.
bool GroupReady(const RunArgs& a, ArrayOutput<TPoint>& group) {
  TPoint* p = nullptr;
  if (group.name.ok && GetPoint(a.ctx, kNameHi, group.name.c_str(), 0, &p) && p) return true;
  std::u16string text(kNoOutput);
  text += kGroupName;
  return a.fail(text);
}

void WriteCount(const RunArgs& a, const ArrayOutput<double>& count, double n) {
  double* p = nullptr;
  if (count.name.ok && GetNumber(a.ctx, kNameHi, count.name.c_str(), 0, &p) && p) *p = n;
}

}  // namespace

bool RunAggregatePoints(const RunArgs& a) {
  ArrayInput<TPoint> in1(a, kAggregatePoints, 0, GetPoint, kNoInputPoints);
  ArrayInput<TPoint> in2(a, kAggregatePoints, 1, GetPoint, kNoInputPoints);
  const bool show = ReadShow(a, 2, kNameHi);
  ArrayOutput<double> count(a, 0, GetNumber);
  ArrayOutput<TPoint> group(a, 1, GetPoint);
  if (!GroupReady(a, group)) return false;
  group.size(a, in1.max);
  if (!CopyPoints(a, in1, group, 0, show)) return false;
  group.size(a, in1.max + in2.max + 1);
  if (!CopyPoints(a, in2, group, in1.max + 1, show)) return false;
  WriteCount(a, count, in1.max + in2.max + 2);
  return true;
}

bool RunAddPoint(const RunArgs& a) {
  ArrayInput<TPoint> in(a, kAddPoint, 0, GetPoint, kNoInputPoints);
  ArrayInput<double> xs(a, kAddPoint, 1, GetNumber, kNoInputCoordinates);
  ArrayInput<double> ys(a, kAddPoint, 2, GetNumber, kNoInputCoordinates);
  const bool show = ReadShow(a, 3, kNameHi);
  ArrayOutput<double> count(a, 0, GetNumber);
  ArrayOutput<TPoint> group(a, 1, GetPoint);
  if (!GroupReady(a, group)) return false;
  group.size(a, in.max);
  if (!CopyPoints(a, in, group, 0, show)) return false;
  if (!xs.name.ok || !ys.name.ok || !group.name.ok) {
    // Nothing to add: the group is the input, and its count says so.
    WriteCount(a, count, in.max + 1);
    return true;
  }

  if (xs.max != ys.max) frame::WarnArraySizeMismatch(a.ctx, xs.name.c_str(), ys.name.c_str());
  const int maxXY = std::min(xs.max, ys.max);
  double* n = nullptr;
  if (count.name.ok && GetNumber(a.ctx, kNameHi, count.name.c_str(), 0, &n) && n) {
    *n = in.max + maxXY + 2;
  } else {
    // Reported, but the points are still added.
    std::u16string text(kNoOutput);
    text += u"Number of points in the output group";
    a.fail(text);
  }
  group.size(a, in.max + maxXY + 1);
  for (int j = 0; j <= maxXY; ++j) {
    if (!xs.fetch(a, j) || !ys.fetch(a, j)) return false;
    TPoint* o = group.at(a, in.max + 1 + j);
    if (!o) return false;
    *o = {xs.value, ys.value};
  }
  return true;
}

bool RunMassCenter(const RunArgs& a) {
  ArrayInput<TPoint> in(a, kMassCenter, 0, GetPoint, kNoInputPoints, kShortNameHi);
  const bool show = ReadShow(a, 1, kShortNameHi);
  if (in.max < 0) return a.fail(kNotEnoughPoints);
  const bool marks = show && GetDrawingLevel(a.ctx) >= 2;
  double sx = 0, sy = 0;
  for (int i = 0; i <= in.max; ++i) {
    if (!in.fetch(a, i)) return false;
    // Coordinates count as single precision values.
    if (!(std::fabs(in.value.x) <= FLT_MAX && std::fabs(in.value.y) <= FLT_MAX)) {
      return FailNamed(a, kBeyondSingle, in.name.c_str());
    }
    sx += static_cast<float>(in.value.x);
    sy += static_cast<float>(in.value.y);
    if (marks) DrawPointMark(a.ctx, in.value.x, in.value.y, kInputRole);
  }
  const double n = in.max + 1;
  const TPoint c{sx / n, sy / n};
  ArrayOutput<TPoint> out(a, 0, GetPoint, kShortNameHi);
  TPoint* o = out.at(a, 0);
  if (!o) return false;
  *o = c;
  if (show) {
    DrawPointMark(a.ctx, c.x, c.y, kResultRole);
    DrawCoordinates(a.ctx, c.x, c.y);
  }
  return true;
}

}  // namespace quisto
