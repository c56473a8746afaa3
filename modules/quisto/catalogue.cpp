#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace quisto {

namespace {

using frame::CategoryEntry;
using frame::IconSlot;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;

constexpr CategoryEntry kCategories[] = {{u"Basic geometric operations", 2, 1001}};

constexpr InputEntry kShow{ptFlag, u"Show results"};

constexpr InputEntry kMidpointIn[] = {{ptLine, u"Input line"}, kShow};
constexpr InputEntry kDistanceIn[] = {{ptPoint, u"Input point 1"}, {ptPoint, u"Input point 2"}, kShow};
constexpr InputEntry kDistanceLineIn[] = {{ptPoint, u"Input point"}, {ptLine, u"Input line"}};
constexpr InputEntry kTwoLinesShowIn[] = {{ptLine, u"Input line 1"}, {ptLine, u"Input line 2"}, kShow};
constexpr InputEntry kTwoLinesIn[] = {{ptLine, u"Input line 1"}, {ptLine, u"Input line 2"}};
constexpr InputEntry kAggregateIn[] = {{ptPoint, u"Input points 1"}, {ptPoint, u"Input points 2"}, kShow};
constexpr InputEntry kAddPointIn[] = {
    {ptPoint, u"Input points"}, {ptNumber, u"Coordinate X"}, {ptNumber, u"Coordinate Y"}, kShow};
constexpr InputEntry kPointsIn[] = {{ptPoint, u"Input points"}, kShow};

constexpr OutputEntry kCenterOut[] = {{ptPoint, u"Center"}};
constexpr OutputEntry kLengthOut[] = {{ptNumber, u"Length of line"}};
constexpr OutputEntry kDistanceOut[] = {{ptNumber, u"Distance"}};
constexpr OutputEntry kCrossOut[] = {{ptPoint, u"Cross point"}};
constexpr OutputEntry kAngleOut[] = {{ptNumber, u"Output angle"}};
constexpr OutputEntry kGroupOut[] = {{ptNumber, u"Number of points in the output group"},
                                     {ptPoint, u"Output group of points"}};
constexpr OutputEntry kLineOut[] = {{ptLine, u"Output line"}};
constexpr OutputEntry kCircleOut[] = {{ptRing, u"Output circle"}};

constexpr MethodEntry kMethods[] = {
    {u"midpoint", u"Get the midpoint of the defined line", 1002, 0, 0, kMidpointIn, kCenterOut},
    {u"length", u"Calculate the length of the defined line", 1005, 0, 0, kMidpointIn, kLengthOut},
    {u"distance", u"Calculate the distance between two defined points", 1004, 0, 0, kDistanceIn, kDistanceOut},
    {u"distance_line", u"Calculate the distance between the defined point and defined line", 1006, 0, 0,
     kDistanceLineIn, kDistanceOut},
    {u"lines_intersection", u"Get the cross point of the two defined lines", 1008, 0, 0, kTwoLinesShowIn, kCrossOut},
    {u"angle_lines", u"Calculate the angle between two defined lines", 1007, 0, 0, kTwoLinesIn, kAngleOut},
    {u"aggregate_points", u"Group points", 1010, 0, 0, kAggregateIn, kGroupOut},
    {u"add_point", u"Add point to the group", 1011, 0, 0, kAddPointIn, kGroupOut},
    {u"fit_line", u"Line fitting to data points (linear regresion)", 1012, 0, 0, kPointsIn, kLineOut},
    {u"fit_circle", u"Circle fitting to data points (Pratt's algorithm)", 1013, 0, 0, kPointsIn, kCircleOut},
    {u"mass_center", u"Calculate the center of mass for defined points", 1009, 0, 0, kPointsIn, kCenterOut},
};

// Init fetches the icons in this order, the category's last.
constexpr IconSlot kIconOrder[] = {{false, 0}, {false, 4}, {false, 2}, {false, 3}, {false, 1}, {false, 5},
                                   {false, 10}, {false, 6}, {false, 7}, {false, 8}, {false, 9}, {true, 0}};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

// One category for every method index at path 0, level 0; no placements.
constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = 0,
    .sortKey = frame::SortKeyRule::kTable,
    .iconOrder = kIconOrder,
};

static_assert(std::size(kMethods) == kMethodCount);
static_assert(kMethods[kDistance].id == u"distance" && kMethods[kAddPoint].id == u"add_point" &&
              kMethods[kMassCenter].id == u"mass_center" && kMethods[kFitCircle].id == u"fit_circle");

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, {}, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }


}  // namespace quisto
