#include "catalogue.h"

#include "frame/icons.h"

namespace lomber {

namespace {

using frame::CategoryEntry;
using frame::IconSlot;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

enum Category { kFilters, kColorDetection, kColorFilters };

constexpr CategoryEntry kCategories[] = {
    {u"Filters", 5, 1011},
    {u"Color detection", 9, 1001},
    {u"Color filters", 35, 1012},
};

// Level 0 is "Color detection" for every index not listed here, past the last
// method too (the policy below); only the filters have a level 1.
constexpr int kFilterMethods[] = {6, 7};

constexpr Placement kPlacements[] = {
    {kFilters, 0, 0, kFilterMethods},
    {kColorFilters, 0, 1, kFilterMethods},
};

// ---- Inputs -------------------------------------------------------------------

constexpr std::u16string_view kMethodOptions =
    u"Options=0: 'compare hue', 1: 'compare hue and saturation', 2: 'compare hue, saturation and brightness'";
constexpr std::u16string_view kCountBox6 = u"EditType=CountBox;Min=0;DecPlaces=6";
constexpr std::u16string_view kUnitSliderOne = u"EditType=Slider;Min=0;Max=1;Default=1";
constexpr std::u16string_view kUnitSliderZero = u"EditType=Slider;Min=0;Max=1;Default=0";

constexpr InputEntry kInputFrame{ptFrame, u"InputFrame"};
constexpr InputEntry kRegion{ptRectangularRegion, u"Region"};
constexpr InputEntry kPattern{ptFrame, u"Pattern frame"};
constexpr InputEntry kOverlay{ptFlag, u"Overlay", u"Default=false"};
constexpr InputEntry kShowResults{ptFlag, u"Show results", u"Default=true"};
constexpr InputEntry kLightnessTolerance{ptNumber, u"Lightness Tolerance", kUnitSliderOne};
constexpr InputEntry kSaturationTolerance{ptNumber, u"Saturation Tolerance", kUnitSliderOne};

constexpr InputEntry kMatchAverageIn[] = {kInputFrame,
                                          kRegion,
                                          kPattern,
                                          {ptNumber, u"Method", kMethodOptions},
                                          {ptNumber, u"Color Tolerance", kCountBox6},
                                          {ptNumber, u"Pattern dimension (pixels)", u"EditType=CountBox;Min=0;DecPlaces=0"},
                                          kOverlay,
                                          kShowResults};
constexpr InputEntry kRegionIn[] = {kInputFrame, kRegion};
constexpr InputEntry kCompareAverageIn[] = {kInputFrame,
                                            kRegion,
                                            {ptNumber, u"Method", kMethodOptions},
                                            {ptColor, u"RGB Color"},
                                            {ptNumber, u"Color Tolerance", u"EditType=CountBox;Min=0"}};
constexpr InputEntry kMatchDominantIn[] = {kInputFrame,
                                           kRegion,
                                           kPattern,
                                           {ptNumber, u"Color Tolerance", kCountBox6},
                                           kLightnessTolerance,
                                           kSaturationTolerance,
                                           kOverlay,
                                           kShowResults};
constexpr InputEntry kCompareDominantIn[] = {kInputFrame,
                                             kRegion,
                                             {ptColor, u"RGB Color"},
                                             {ptNumber, u"Color Tolerance", u"EditType=Slider;Min=0;Max=1;Default=0.05"},
                                             kLightnessTolerance,
                                             kSaturationTolerance};
constexpr InputEntry kFilterHslIn[] = {kInputFrame,
                                       kRegion,
                                       {ptColor, u"Color"},
                                       {ptNumber, u"Color Tolerance", u"EditType=Slider;Min=0;Max=360;Default=5"},
                                       {ptNumber, u"Min Lightness", kUnitSliderZero},
                                       {ptNumber, u"Max Lightness", kUnitSliderOne},
                                       {ptNumber, u"Min Saturation", kUnitSliderZero},
                                       {ptNumber, u"Max Saturation", kUnitSliderOne},
                                       {ptColor, u"Foreground Color"},
                                       {ptColor, u"Background Color"}};
constexpr InputEntry kFilterRgbIn[] = {kInputFrame,
                                       kRegion,
                                       {ptColor, u"Color"},
                                       {ptNumber, u"Method", kMethodOptions},
                                       {ptNumber, u"Color Tolerance", u"EditType=Slider;Min=0;Max=1;Default=0.75"},
                                       {ptColor, u"Foreground Color"},
                                       {ptColor, u"Background Color"}};

// ---- Outputs ------------------------------------------------------------------

constexpr OutputEntry kMatchOut[] = {{ptNumber, u"Count"}, {ptPoint, u"Center"}};
constexpr OutputEntry kMeasureOut[] = {{ptColor, u"RGB Output"},
                                       {ptNumber, u"Hue Output"},
                                       {ptNumber, u"Saturation Output"},
                                       {ptNumber, u"Lightness Output"}};
constexpr OutputEntry kCompareOut[] = {{ptFlag, u"Compare Output"}};
constexpr OutputEntry kFrameOut[] = {{ptFrame, u"Output Frame"}};

// id, description, icon, sort key, properties (no sort enumerators here), inputs, outputs.
constexpr MethodEntry kMethods[] = {
    {u"color_match_average", u"Find color sample in image (RGB)", 1002, 0, 0, kMatchAverageIn, kMatchOut},
    {u"get_average_color", u"Get average color from region", 1006, 1, 0, kRegionIn, kMeasureOut},
    {u"compare_average_color", u"Compare average color in region", 1008, 2, 0, kCompareAverageIn, kCompareOut},
    {u"color_match_dominant", u"Find color sample in image (HSL)", 1002, 3, 0, kMatchDominantIn, kMatchOut},
    {u"get_dominant_color", u"Get dominant color from region", 1007, 4, 0, kRegionIn, kMeasureOut},
    {u"compare_dominant_color", u"Compare with dominant color in region", 1009, 5, 0, kCompareDominantIn,
     kCompareOut},
    {u"filter_HSL", u"Color filter in HSL space", 1005, 6, 0, kFilterHslIn, kFrameOut},
    {u"filter_RGB", u"Color filter in RGB space", 1013, 7, 0, kFilterRgbIn, kFrameOut},
};

// Init fetches the icons in this order, and Done gives them back in it.
constexpr IconSlot kIconOrder[] = {
    {false, 0}, {false, 3}, {false, 1}, {false, 4},
    {false, 2}, {false, 5}, {false, 6}, {false, 7},
    {true, kFilters}, {true, kColorDetection}, {true, kColorFilters},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = kColorDetection,
    .sortKey = frame::SortKeyRule::kTable,
    .iconOrder = kIconOrder,
};

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());
static_assert(frame::CatalogueResources<kCatalogue>::kTable.count == 10, "eleven icon handles from ten resources");

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace lomber
