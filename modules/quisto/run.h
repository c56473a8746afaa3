// Run conventions of quisto: names, array sizes, the "Show results" flag,
// drawing roles and the failure texts built from a prefix and a name.
#pragma once

#include <string>
#include <string_view>

#include "frame/module_frame.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace quisto {

using frame::ParamName;
using frame::RunArgs;

// Parameter names are fetched with this highest index (63 in mass_center
// and the two fits).
inline constexpr int kNameHi = 127;
inline constexpr int kShortNameHi = 63;

// Drawing roles: the input geometry and the results.
inline constexpr int kInputRole = 0;
inline constexpr int kResultRole = 1;

inline constexpr std::u16string_view kNoInputPoints = u"error: Cannot get input point(s): ";
inline constexpr std::u16string_view kNoInputLine = u"error: Cannot get input line: ";
inline constexpr std::u16string_view kNoInputCoordinates = u"error: Cannot get input coordinate(s): ";
inline constexpr std::u16string_view kNoOutput = u"error: Cannot get output parameter: ";
inline constexpr std::u16string_view kNoCrossPoint = u"Cross point does not exist for this couple of lines";
inline constexpr std::u16string_view kNotEnoughPoints =
    u"error: There are not enough proper input points for this calculation";
inline constexpr std::u16string_view kNoPrattCircle = u"error: Cannot calulate circle using Pratt algorithm";
inline constexpr std::u16string_view kNoFiniteDistance = u"error: Cannot calculate a finite distance of these coordinates";
inline constexpr std::u16string_view kNoFiniteCrossPoint = u"error: Cannot calculate a finite cross point of these lines";
inline constexpr std::u16string_view kBeyondSingle =
    u"error: Input coordinates lie beyond the single precision range: ";

// prefix + name into errBuf; false.
bool FailNamed(const RunArgs& a, std::u16string_view prefix, std::u16string_view name);

// Highest index of a named array; 0 when it cannot be had.
int MaxIndexOf(void* ctx, int hi, const ParamName& name);

// "Show results" (element 0, true when unreadable), followed by the array warning.
bool ReadShow(const RunArgs& a, int input, int hi);

struct Pen {
  double thick;
  TColor color;
};
Pen PenOf(void* ctx, int role);

// "[%.2f, %.2f]" of the point in the run's coordinate system, beside it,
// when the drawing level is above 0.
void DrawCoordinates(void* ctx, double x, double y);

// A mark of radius 2 at a point.
void DrawPointMark(void* ctx, double x, double y, int role);

using RunFn = bool (*)(const RunArgs&);

// Methods on lines and point pairs (pairs.cpp).
bool RunMidpoint(const RunArgs&);
bool RunLength(const RunArgs&);
bool RunDistance(const RunArgs&);
bool RunDistanceLine(const RunArgs&);
bool RunLinesIntersection(const RunArgs&);
bool RunAngleLines(const RunArgs&);
// Groups of points (groups.cpp).
bool RunAggregatePoints(const RunArgs&);
bool RunAddPoint(const RunArgs&);
bool RunMassCenter(const RunArgs&);

}  // namespace quisto
