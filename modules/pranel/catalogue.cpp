#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace pranel {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Data objects", 1, 1021}};
constexpr int kAllMethods[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kX{ptNumber, u"X coordinate"};
constexpr InputEntry kY{ptNumber, u"Y coordinate"};

constexpr InputEntry kCoordinateSystemIn[] = {kX, kY, {ptNumber, u"Angle"}};
constexpr InputEntry kTwoPointsIn[] = {{ptNumber, u"X coordinate 1"},
                                       {ptNumber, u"Y coordinate 1"},
                                       {ptNumber, u"X coordinate 2"},
                                       {ptNumber, u"Y coordinate 2"}};
constexpr InputEntry kRectangleIn[] = {
    kX, kY, {ptNumber, u"Width"}, {ptNumber, u"Height"}, {ptNumber, u"Angle", u"Default=0"}};
constexpr InputEntry kRingIn[] = {kX,
                                  kY,
                                  {ptNumber, u"Inner radius"},
                                  {ptNumber, u"Outer radius"},
                                  {ptNumber, u"Starting angle"},
                                  {ptNumber, u"Ending angle"}};
constexpr InputEntry kPointIn[] = {kX, kY};
constexpr InputEntry kFlagIn[] = {{ptFlag, u"Flag"}};
constexpr std::u16string_view kSlider = u"EditType=Slider;Min=0;Max=1";
constexpr InputEntry kColorIn[] = {
    {ptNumber, u"Red", kSlider}, {ptNumber, u"Green", kSlider}, {ptNumber, u"Blue", kSlider},
    {ptNumber, u"Transparency", kSlider}};
constexpr InputEntry kNumberIn[] = {{ptNumber, u"Number"}};
constexpr InputEntry kStringIn[] = {{ptString, u"String"}};
constexpr InputEntry kFrameIn[] = {
    {ptNumber, u"Width"},
    {ptNumber, u"Height"},
    {ptNumber, u"Frame type", u"Default=1;Options=0: 'Monochrome (8 bit)', 1: 'Color (32 bit)'"},
    {ptColor, u"Fill color"}};

constexpr OutputEntry kCoordinateSystemOut[] = {{ptCoordinateSystem, u"Output coordinate system"}};
constexpr OutputEntry kRectangleOut[] = {{ptRectangle, u"Output rectangle"}};
constexpr OutputEntry kRingOut[] = {{ptRing, u"Output ring"}};
constexpr OutputEntry kRegionOut[] = {{ptRectangularRegion, u"Output region"}};
constexpr OutputEntry kRingRegionOut[] = {{ptRingRegion, u"Output ring region"}};
constexpr OutputEntry kPointOut[] = {{ptPoint, u"Output point"}};
constexpr OutputEntry kLineOut[] = {{ptLine, u"Output line"}};
constexpr OutputEntry kFlagOut[] = {{ptFlag, u"Output flag"}};
constexpr OutputEntry kColorOut[] = {{ptColor, u"Output color"}};
constexpr OutputEntry kNumberOut[] = {{ptNumber, u"Output number"}};
constexpr OutputEntry kStringOut[] = {{ptString, u"Output string"}};
constexpr OutputEntry kFrameOut[] = {{ptFrame, u"Output frame"}};

constexpr MethodEntry kMethods[] = {
    {u"create_coordinate_system", u"Create coordinate system", 1022, 0, 0, kCoordinateSystemIn, kCoordinateSystemOut},
    {u"create_coordinate_system_2points", u"Create coordinate system using 2 points", 1030, 0, 0, kTwoPointsIn,
     kCoordinateSystemOut},
    {u"create_rectangle", u"Create rectangle", 1026, 0, 0, kRectangleIn, kRectangleOut},
    {u"create_ring", u"Create ring", 1028, 0, 0, kRingIn, kRingOut},
    {u"create_rectangular_region", u"Create rectangular region", 1023, 0, 0, kRectangleIn, kRegionOut},
    {u"create_ring_region", u"Create ring region", 1024, 0, 0, kRingIn, kRingRegionOut},
    {u"create_point", u"Create point", 1025, 0, 0, kPointIn, kPointOut},
    {u"create_line", u"Create line", 1027, 0, 0, kTwoPointsIn, kLineOut},
    {u"create_flag", u"Create flag", 1031, 0, 0, kFlagIn, kFlagOut},
    {u"create_not_flag", u"Create flag with the opposite logical value", 1034, 0, 0, kFlagIn, kFlagOut},
    {u"create_color", u"Create color", 1029, 0, 0, kColorIn, kColorOut},
    {u"create_number", u"Create number", 1032, 0, 0, kNumberIn, kNumberOut},
    {u"create_string", u"Create string", 1033, 0, 0, kStringIn, kStringOut},
    {u"create_frame", u"Create frame", 1035, 0, 0, kFrameIn, kFrameOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace pranel
