#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace selvor {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Drawing", 21, 1001}};
constexpr int kAllMethods[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kColor{ptColor, u"Draw color"};
constexpr InputEntry kLabels{ptFlag, u"Write also the appropriate coordinates", u"Default=true"};
constexpr InputEntry kX{ptNumber, u"Coordinate X"};
constexpr InputEntry kY{ptNumber, u"Coordinate Y"};
constexpr InputEntry kPrefix{ptString, u"Prefix"};

constexpr InputEntry kPointIn[] = {{ptPoint, u"Point"}, kColor, kLabels};
constexpr InputEntry kLineIn[] = {{ptLine, u"Line"}, kColor, kLabels};
constexpr InputEntry kRectangleIn[] = {{ptRectangle, u"Rectangle"}, kColor, kLabels};
constexpr InputEntry kCircleIn[] = {{ptRing, u"Circle"}, kColor, kLabels};
constexpr InputEntry kRingIn[] = {{ptRing, u"Ring"}, kColor, kLabels};
constexpr InputEntry kCoordinateSystemIn[] = {{ptCoordinateSystem, u"Coordinate system"}, kColor, kLabels};
constexpr InputEntry kStringIn[] = {{ptString, u"String"}, kColor, kX, kY, kPrefix};
constexpr InputEntry kNumberIn[] = {{ptNumber, u"Number"}, kColor, kX, kY, kPrefix};
constexpr InputEntry kFlagIn[] = {{ptFlag, u"Flag"}, kColor, kX, kY, kPrefix};
constexpr InputEntry kColorIn[] = {{ptColor, u"Color"}, kColor, kX, kY, kPrefix};
constexpr InputEntry kColorBoxIn[] = {
    {ptColor, u"Color"}, kX, kY, {ptNumber, u"Width W"}, {ptNumber, u"Depth D"}};
constexpr InputEntry kToFrameIn[] = {{ptFrame, u"Input frame"}, {ptFlag, u"Clear used draw steps"}};

constexpr MethodEntry kMethods[] = {
    {u"draw_point", u"Draw points", 1002, 0, 0, kPointIn, {}},
    {u"draw_line", u"Draw lines", 1003, 0, 0, kLineIn, {}},
    {u"draw_rectangle", u"Draw rectangles", 1004, 0, 0, kRectangleIn, {}},
    {u"draw_circle", u"Draw circles", 1005, 0, 0, kCircleIn, {}},
    {u"draw_ring", u"Draw rings", 1006, 0, 0, kRingIn, {}},
    {u"draw_coordinate_system", u"Draw coordinate systems", 1007, 0, 0, kCoordinateSystemIn, {}},
    {u"draw_string", u"Write strings", 1008, 0, 0, kStringIn, {}},
    {u"draw_number", u"Write numbers", 1009, 0, 0, kNumberIn, {}},
    {u"draw_flag", u"Write flags", 1010, 0, 0, kFlagIn, {}},
    {u"draw_color", u"Write colors in RGBA format", 1011, 0, 0, kColorIn, {}},
    {u"draw_color_box", u"Draw color boxes", 1012, 0, 0, kColorBoxIn, {}},
    {u"draw_to_frame", u"Draw to frame", 1013, 0, 0, kToFrameIn, {}},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace selvor
