#include "catalogue.h"

#include "frame/icons.h"

namespace forvik {

namespace {

using frame::CategoryEntry;
using frame::IconSlot;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

// Categories, in the order Init fetches their icons.
enum Category { kGeometricMatching, kMeasurements, kShapeDetection, kContourDetection, kThresholdDetection };

constexpr CategoryEntry kCategories[] = {
    {u"Geometric matching", 20, 1002}, {u"Measurements", 7, 1005},         {u"Shape detection", 12, 1001},
    {u"Contour detection", 36, 1003},  {u"Threshold detection", 37, 1004},
};

// Path 0, level 0 is "Shape detection" for every index not listed here, past
// the last method too (the policy below).
constexpr int kMatchingMethods[] = {0};
constexpr int kCaliperMethods[] = {4, 5};
constexpr int kContourMethods[] = {1, 2, 3};
constexpr int kThresholdMethods[] = {6, 7};

constexpr Placement kPlacements[] = {
    {kGeometricMatching, 0, 0, kMatchingMethods},
    {kMeasurements, 0, 0, kCaliperMethods},
    {kContourDetection, 0, 1, kContourMethods},
    {kThresholdDetection, 0, 1, kThresholdMethods},
};

// ---- Inputs -------------------------------------------------------------------

constexpr std::u16string_view kScanRect = u"EditType=ScanRectRegion";
constexpr std::u16string_view kUnitDefault02 = u"Min=0;Max=1;Default=0.2;Step=0.01";
constexpr std::u16string_view kUnitDefault05 = u"Min=0;Max=1;Default=0.5;Step=0.01";

constexpr InputEntry kInputFrame{ptFrame, u"Input frame"};
constexpr InputEntry kShowResults{ptFlag, u"Show results"};

constexpr InputEntry kMatchingIn[] = {
    kInputFrame,
    {ptFrame, u"Pattern frame"},
    {ptRectangularRegion, u"Region of examination", kScanRect},
    {ptNumber, u"Horizontal template scanline number", u"Min=0;Default=10;Step=1"},
    {ptNumber, u"Vertical template scanline number", u"Min=0;Default=10;Step=1"},
    {ptNumber, u"Horizontal camera scanline number", u"EditType=ScanLinesHCount;Min=0;Default=10"},
    {ptNumber, u"Vertical camera scanline number", u"EditType=ScanLinesVCount;Min=0;Default=10"},
    {ptNumber, u"Gradient threshold", kUnitDefault02},
    {ptNumber, u"Image quality", kUnitDefault05},
    {ptNumber, u"Upper scaling limit [0-]", u"Min=0;Default=2.0;Step=0.01"},
    {ptNumber, u"Lower scaling limit [0-]", u"Min=0;Default=0.5;Step=0.01"},
    {ptNumber, u"Matching precision", kUnitDefault05},
    {ptNumber, u"Matching Limit", kUnitDefault05},
    {ptPoint, u"Relative bias of coordinate system"},
    kShowResults,
    {ptNumber, u"Maximum number of pattern occurancies", u"Min=1;Max=50;Default=1"},
};
constexpr InputEntry kLineContourIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Region of examination", kScanRect},
    {ptNumber, u"Number Of Horizontal Scanlines", u"EditType=ScanLinesHCount"},
    {ptNumber, u"Number Of Vertical Scanlines", u"EditType=ScanLinesVCount"},
    {ptNumber, u"Gradient threshold", kUnitDefault02},
    {ptNumber, u"Line quality", kUnitDefault05},
    kShowResults,
};
constexpr InputEntry kCircleContourIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Examination region", kScanRect},
    {ptNumber, u"Scanline number", u"EditType=ScanLinesCount"},
    {ptNumber, u"Gradient threshold", kUnitDefault02},
    {ptNumber, u"Circle quality", kUnitDefault05},
    {ptFlag, u"Arcs [true - all arcs; false - only circles]"},
    kShowResults,
};
constexpr InputEntry kRingContourIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Region of examination", kScanRect},
    {ptNumber, u"Scanline number", u"EditType=ScanLinesCount"},
    {ptNumber, u"Gradient threshold", kUnitDefault02},
    {ptNumber, u"Circle quality", kUnitDefault05},
    {ptFlag, u"Ring sectors [true - all sectors; false - only full rings]"},
    kShowResults,
};
constexpr InputEntry kCaliperIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Examination region", kScanRect},
    {ptNumber, u"Horizontal scanline number", u"EditType=ScanLinesCount"},
    {ptNumber, u"Threshold level", u"EditType=Threshold"},
    kShowResults,
};
constexpr InputEntry kLineThresholdIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Examination region", kScanRect},
    {ptNumber, u"Number of horizontal scanlines", u"EditType=ScanLinesCount;Min=3"},
    {ptNumber, u"Threshold level", u"EditType=Threshold;Default=0.5"},
    {ptNumber, u"Line quality", kUnitDefault05},
    kShowResults,
};
constexpr InputEntry kCircleThresholdIn[] = {
    kInputFrame,
    {ptRectangularRegion, u"Region of examination", kScanRect},
    {ptNumber, u"Number of horizontal scanlines", u"EditType=ScanLinesHCount"},
    {ptNumber, u"Number of vertical scanlines", u"EditType=ScanLinesVCount"},
    {ptNumber, u"Threshold level", u"EditType=Threshold;Default=0.5"},
    {ptNumber, u"Circle quality", kUnitDefault05},
    {ptFlag, u"Color flag"},
    kShowResults,
};

// ---- Outputs ------------------------------------------------------------------

constexpr OutputEntry kMatchingOut[] = {
    {ptNumber, u"Result number"},
    {ptCoordinateSystem, u"Result coordinate systems"},
    {ptRectangle, u"Result rectangles"},
};
constexpr OutputEntry kLinesOut[] = {{ptNumber, u"Number of results"}, {ptLine, u"Result lines"}};
constexpr OutputEntry kCirclesOut[] = {{ptNumber, u"Results number"}, {ptRing, u"Result circles"}};
constexpr OutputEntry kRingsOut[] = {{ptNumber, u"Number of results"}, {ptRing, u"Result rings"}};
constexpr OutputEntry kCaliperOut[] = {
    {ptNumber, u"Caliper maximum length"},
    {ptNumber, u"Caliper minimum length"},
    {ptLine, u"Result maximum caliper"},
    {ptLine, u"Result minimum caliper"},
};
constexpr OutputEntry kCircleThresholdOut[] = {
    {ptNumber, u"Number of found circles"},
    {ptRing, u"Circles"},
    {ptNumber, u"Circle quality"},
};

constexpr MethodEntry kMethods[] = {
    {u"geometric_matching", u"Geometric matched pattern in target image", 1006, 0, 0, kMatchingIn, kMatchingOut},
    {u"line_detection_by_contour", u"Line detection by object contour", 1009, 0, 0, kLineContourIn, kLinesOut},
    {u"circle_detection_by_contour", u"Circle detection by object contour", 1007, 0, 0, kCircleContourIn,
     kCirclesOut},
    {u"ring_detection_by_contour", u"Circle detection by object contour", 1008, 0, 0, kRingContourIn, kRingsOut},
    {u"inner_caliper", u"Caliper is measured from the verticle middle line of the region", 1010, 0, 0, kCaliperIn,
     kCaliperOut},
    {u"outer_caliper", u"Caliper is measured from the vertical borderlines of the region", 1011, 0, 0, kCaliperIn,
     kCaliperOut},
    {u"line_detection_by_threshold",
     u"Line detection by the first object pixels which are found by scanning the scanline", 1012, 0, 0,
     kLineThresholdIn, kLinesOut},
    {u"circle_detection_by_threshold",
     u"Circle detection by the first object pixels which are found by scanning through the scanline using grid "
     u"intersection points",
     1013, 0, 0, kCircleThresholdIn, kCircleThresholdOut},
};

// Init fetches the method icons by resource number (1006 to 1013), then the
// category icons 1002, 1005, 1001, 1003, 1004.
constexpr IconSlot kIconOrder[] = {
    {false, 0}, {false, 2}, {false, 3}, {false, 1}, {false, 4}, {false, 5}, {false, 6},
    {false, 7}, {true, 0},  {true, 1},  {true, 2},  {true, 3},  {true, 4},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = kShapeDetection,
    .sortKey = frame::SortKeyRule::kTable,
    .iconOrder = kIconOrder,
};

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace forvik
