#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace gantrel {

namespace {

using frame::CategoryEntry;
using frame::IconSlot;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

enum Category { kMeasurements, kStatistics, kObjects, kThresholding, kColorDetection };

// Only the object category has an icon; the others answer a null handle.
constexpr CategoryEntry kCategories[] = {
    {u"Measurements", 7, 0},   {u"Statistics", 8, 0},       {u"Object detection and processing", 10, 1001},
    {u"Thresholding", 4, 0},   {u"Color detection", 9, 0},
};

constexpr int kMeasurementMethods[] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
constexpr int kStatisticsMethods[] = {2, 23, 24, 27};
constexpr int kObjectMethods[] = {15, 16, 17, 25, 26};
constexpr int kThresholdingMethods[] = {18, 19, 20, 21, 22};
constexpr int kColorMethods[] = {27};

constexpr Placement kPlacements[] = {
    {kMeasurements, 0, 0, kMeasurementMethods}, {kStatistics, 0, 0, kStatisticsMethods},
    {kObjects, 0, 0, kObjectMethods},           {kThresholding, 0, 0, kThresholdingMethods},
    {kColorDetection, 1, 0, kColorMethods},
};

// ---- Inputs -------------------------------------------------------------------

constexpr InputEntry kFrame{ptFrame, u"Input frame"};
constexpr InputEntry kRegion{ptRectangularRegion, u"Region", u"EditType=ScanRectRegion"};
constexpr InputEntry kPlainRegion{ptRectangularRegion, u"Region"};
constexpr InputEntry kNegative{ptFlag, u"Negative", u"Default=false"};
constexpr InputEntry kShow{ptFlag, u"Show results", u"Default=true"};
constexpr InputEntry kMethod{ptNumber, u"Method", u"Default=0;Options=0: 'Only first transition', 1: 'All transitions'"};
constexpr InputEntry kBorderMode{ptNumber, u"Objects on the border of region",
                                 u"Default=1;Options=0: 'Ignore', 1: 'Detect object of the parts inside the region', "
                                 u"2: 'Detect complete'"};
constexpr InputEntry kStrength{ptNumber, u"Edge strength", u"Min=0;Max=1;Default=0.25"};
constexpr InputEntry kThreshold{ptNumber, u"Threshold", u"EditType=Threshold;Default=0.5"};
constexpr InputEntry kThresholdSpaced{ptNumber, u"Threshold", u"EditType=Threshold; Default=0.5"};
constexpr InputEntry kThresholdBounded{ptNumber, u"Threshold", u"EditType=Threshold; Min=0;Max=1;Default=0.5"};
constexpr InputEntry kThresholdPlain{ptNumber, u"Threshold", u"EditType=Threshold"};
constexpr InputEntry kLinesAtLeastOne{ptNumber, u"Number of horizontal scan lines",
                                      u"EditType=ScanLinesCount;Min=1;Default=1"};
constexpr InputEntry kLines{ptNumber, u"Number of horizontal scan lines", u"EditType=ScanLinesCount"};
constexpr InputEntry kLinesMin{ptNumber, u"Number of horizontal scan lines", u"EditType=ScanLinesCount;Min=1"};
constexpr InputEntry kLines16{ptNumber, u"Number of horizontal scan lines", u"EditType=ScanLinesCount;Default=16"};
constexpr InputEntry kObjectLength{ptNumber, u"Minimum length of object", u"Min=1;Default=5"};
constexpr InputEntry kTransient{ptNumber, u"Maximum length of transient", u"Min=1;Default=5"};
constexpr InputEntry kTransient20{ptNumber, u"Maximum length of transient", u"Min=1;Default=20"};
constexpr InputEntry kExpectedAngle{ptNumber, u"Expected angle of edge", u"Min=-90;Max=90"};
constexpr InputEntry kDeviation{ptNumber, u"Allowed angle deviation", u"Min=0;Max=90"};
constexpr InputEntry kAngleStep{ptNumber, u"Search angle step", u"Min=0.01;Default=0.5"};
constexpr InputEntry kMinPixels{ptNumber, u"Minimum number of pixels", u"Min=1;Default=100"};
constexpr InputEntry kObjectColor{ptColor, u"Requested color of object"};
constexpr InputEntry kBackgroundColor{ptColor, u"Requested color of background"};
constexpr InputEntry kCrop{ptFlag, u"Crop output frame", u"Default=false"};
constexpr std::u16string_view kEdgePolarity =
    u"Default=0;Options=0: 'All edges', 1: 'Light-to-dark edges', 2: 'Dark-to-light edges'";
constexpr std::u16string_view kEdgePlacement =
    u"Default=0;Options=0: 'All edges', 1: 'Only the first edge', 2: 'Only the last edge', 3: 'First and last edge'";

constexpr InputEntry kSegmentIn[] = {kFrame,
                                     kRegion,
                                     kLinesAtLeastOne,
                                     {ptNumber, u"Threshold", u"EditType=Threshold;Min=0;Default=0.5;Max=1"},
                                     {ptNumber, u"Minimum length of segment"},
                                     {ptNumber, u"Minimum lenght of border"},
                                     kNegative,
                                     kShow};
constexpr InputEntry kDefectsIn[] = {kFrame,
                                     kRegion,
                                     kLinesAtLeastOne,
                                     {ptNumber, u"Threshold of gradient", u"Default=0.2;Min=0.1;Max=1;"},
                                     {ptNumber, u"Number of filtered pixels", u"Default=10"},
                                     {ptNumber, u"Damage threshold", u"Min=0;Max=1;Default=0.2"},
                                     kShow};
constexpr InputEntry kCentroidIn[] = {kFrame, kRegion, kThresholdSpaced, kNegative, kShow};
constexpr InputEntry kEdgesLineIn[] = {kFrame,
                                       {ptLine, u"Line"},
                                       kStrength,
                                       kTransient,
                                       {ptNumber, u"Number of filtered pixels", u"Min=1;Max=20;Default=5"},
                                       {ptNumber, u"Edge polarity", kEdgePolarity},
                                       {ptNumber, u"Edge placement", kEdgePlacement},
                                       kShow};
constexpr InputEntry kEdgesRingIn[] = {kFrame,
                                       {ptRing, u"Ring"},
                                       kStrength,
                                       kTransient,
                                       {ptNumber, u"Number of filtered pixels", u"Min=1;Max=20;Default=5"},
                                       {ptNumber, u"Edge polarity", kEdgePolarity},
                                       {ptNumber, u"Edge placement", kEdgePlacement},
                                       kShow};
constexpr InputEntry kProfileThresholdIn[] = {kFrame, kRegion, kLines, kThreshold, kObjectLength, kNegative, kShow};
constexpr InputEntry kProfileContourIn[] = {kFrame, kRegion, kLines, kStrength, kTransient, kNegative, kShow};
constexpr InputEntry kStraightThresholdIn[] = {kFrame,         kRegion,   kLinesMin, kThreshold, kObjectLength,
                                               kExpectedAngle, kDeviation, kMethod,  kNegative,  kShow};
constexpr InputEntry kStraightContourIn[] = {kFrame,         kRegion,    kLinesMin, kStrength, kTransient,
                                             kExpectedAngle, kDeviation, kMethod,   kNegative, kShow};
constexpr InputEntry kBestThresholdIn[] = {kFrame,     kRegion, kLinesMin, kThreshold, kObjectLength, kExpectedAngle,
                                           kDeviation, kMethod, kNegative, kShow,      kAngleStep};
constexpr InputEntry kBestContourIn[] = {kFrame,     kRegion, kLinesMin, kStrength, kTransient, kExpectedAngle,
                                         kDeviation, kMethod, kNegative, kShow,     kAngleStep};
constexpr InputEntry kUsedPoints{ptNumber, u"Minimum count of used points", u"Min=2;Default=2"};
constexpr InputEntry kMaxDistance{ptNumber, u"Maximum distance of point from edge", u"Min=0;Default=50"};
constexpr InputEntry kPassCount{ptNumber, u"Pass count", u"Min=1;Default=1"};
constexpr InputEntry kExpectedAngle0{ptNumber, u"Expected angle of edge", u"Min=-90;Max=90;Default=0"};
constexpr InputEntry kDeviation90{ptNumber, u"Allowed angle deviation", u"Min=0;Max=90;Default=90"};
constexpr InputEntry kLineThresholdIn[] = {kFrame,       kRegion,     kLines16,  kThreshold,      kObjectLength,
                                           kUsedPoints,  kMaxDistance, kPassCount, kExpectedAngle0, kDeviation90,
                                           kMethod,      kNegative,    kShow};
constexpr InputEntry kLineContourIn[] = {kFrame,      kRegion,      kLines16,   kStrength,       kTransient20,
                                         kUsedPoints, kMaxDistance, kPassCount, kExpectedAngle0, kDeviation90,
                                         kMethod,     kNegative,    kShow};
constexpr InputEntry kScanLines16{ptNumber, u"Number of scan lines", u"Default=16"};
constexpr InputEntry kMissingEdges{ptFlag, u"Calculate missing edges", u"Default=false"};
constexpr InputEntry kRadialThresholdIn[] = {
    kFrame, {ptRingRegion, u"Ring"}, kScanLines16, kThreshold, kObjectLength, kMethod, kMissingEdges, kNegative,
    kShow};
constexpr InputEntry kRadialContourIn[] = {
    kFrame, {ptRingRegion, u"Ring"}, kScanLines16, kStrength, kTransient, kMethod, kMissingEdges, kNegative, kShow};
constexpr InputEntry kObjectThresholdIn[] = {kFrame,     kRegion,      kThresholdSpaced, kNegative, kMinPixels,
                                             kBorderMode, kObjectColor, kBackgroundColor, kShow};
constexpr InputEntry kObjectColorIn[] = {kFrame,
                                         kRegion,
                                         {ptColor, u"Color to find"},
                                         {ptNumber, u"Color tolerance", u"Min=0;Max=180;Default=10"},
                                         {ptNumber, u"Brightness tolerance", u"Min=0;Max=1;Default=0.25"},
                                         {ptNumber, u"Saturation tolerance", u"Min=0;Max=1;Default=0.25"},
                                         kMinPixels,
                                         kBorderMode,
                                         kObjectColor,
                                         kBackgroundColor,
                                         kShow};
constexpr InputEntry kObjectTextureIn[] = {kFrame,     kRegion,      {ptNumber, u"Deviation", u"Default=0.02; Min=0; Max=0.5"},
                                           kMinPixels, kBorderMode,  kObjectColor,
                                           kBackgroundColor, kShow};
constexpr InputEntry kSimpleThresholdIn[] = {kFrame, kPlainRegion, kThresholdPlain, kCrop};
constexpr InputEntry kRateThresholdIn[] = {kFrame,
                                           kRegion,
                                           {ptNumber, u"Requested rate of black pixels", u"Min=0;Max=1"},
                                           {ptFlag, u"Crop output frame"}};
constexpr InputEntry kModalThresholdIn[] = {kFrame, kRegion, kCrop};
constexpr InputEntry kLocalThresholdIn[] = {kFrame,
                                            kPlainRegion,
                                            kThresholdPlain,
                                            {ptNumber, u"Area", u"Default=10;Min=0;Max=100"},
                                            {ptNumber, u"Sensitivity", u"Default=0.1;Min=0;Max=1"},
                                            kCrop};
constexpr InputEntry kLineProfileIn[] = {kFrame, {ptLine, u"Line"}, {ptRectangularRegion, u"Drawing region"}, kShow};
constexpr InputEntry kMaskCompareIn[] = {kFrame, {ptFrame, u"Input mask"}, kThresholdBounded, kNegative, kShow};
constexpr InputEntry kFillSpotIn[] = {
    kFrame, {ptPoint, u"Point"}, {ptColor, u"Filling color"}, kThresholdBounded, kNegative, kShow};
constexpr InputEntry kFillGapsIn[] = {kFrame,
                                      kRegion,
                                      kThresholdSpaced,
                                      kNegative,
                                      {ptNumber, u"Maximal number of pixels", u"Min=1;Default=100"},
                                      kBorderMode,
                                      {ptColor, u"Filling color"},
                                      kShow};
constexpr InputEntry kColorStatIn[] = {kFrame, kPlainRegion};

// ---- Outputs ------------------------------------------------------------------

constexpr OutputEntry kSegmentOut[] = {
    {ptNumber, u"Number of segments"}, {ptNumber, u"Segment lengths"}, {ptLine, u"Segments"}};
constexpr OutputEntry kDefectsOut[] = {{ptNumber, u"Number of defects"}, {ptLine, u"Defect positions"}};
constexpr OutputEntry kCentroidOut[] = {{ptPoint, u"Centroid"}};
constexpr OutputEntry kEdgesOut[] = {
    {ptNumber, u"Number of edges"}, {ptPoint, u"Detected edge position"}, {ptNumber, u"Detected edge polarity"}};
constexpr OutputEntry kProfileOut[] = {{ptNumber, u"Number of points"}, {ptPoint, u"Position of points"}};
constexpr OutputEntry kStraightOut[] = {{ptLine, u"Detected edge"}, {ptNumber, u"Angle of detected edge"}};
constexpr OutputEntry kLineOut[] = {{ptLine, u"Detected edge"},
                                    {ptNumber, u"Angle of detected edge"},
                                    {ptNumber, u"Number of used points"},
                                    {ptPoint, u"Used points"},
                                    {ptNumber, u"Distance of used points from edge"}};
constexpr OutputEntry kBestLineOut[] = {{ptLine, u"Detected edge"},
                                        {ptNumber, u"Angle of detected edge"},
                                        {ptPoint, u"Detected points"},
                                        {ptNumber, u"Distance of points from edge"}};
constexpr OutputEntry kRadialOut[] = {{ptPoint, u"Detected points"},
                                      {ptNumber, u"Number of points"},
                                      {ptFlag, u"Indication of finding a point at scanline"}};
constexpr OutputEntry kObjectsOut[] = {{ptNumber, u"Number of objects detected"},
                                       {ptPoint, u"Centroid"},
                                       {ptNumber, u"Size of object"},
                                       {ptNumber, u"Character of object distribution"},
                                       {ptFrame, u"Output frame"},
                                       {ptRectangularRegion, u"Object bounding box"}};
constexpr OutputEntry kFrameOut[] = {{ptFrame, u"Output frame"}};
constexpr OutputEntry kThresholdOut[] = {{ptNumber, u"Threshold"}, {ptFrame, u"Output frame"}};
constexpr OutputEntry kLineProfileOut[] = {{ptNumber, u"Number of points"},
                                           {ptNumber, u"Red profile"},
                                           {ptNumber, u"Green profile"},
                                           {ptNumber, u"Blue profile"}};
constexpr OutputEntry kMaskCompareOut[] = {
    {ptNumber, u"Number of excess pixels"}, {ptNumber, u"Number of missing pixels"}, {ptFrame, u"Output frame"}};
constexpr OutputEntry kFillSpotOut[] = {{ptFrame, u"Output frame"}, {ptNumber, u"Size of object"}};
constexpr OutputEntry kFillGapsOut[] = {{ptNumber, u"Number of gaps detected"},
                                        {ptPoint, u"Centroid"},
                                        {ptNumber, u"Size of gap"},
                                        {ptNumber, u"Character of gap distribution"},
                                        {ptFrame, u"Output frame"}};
constexpr OutputEntry kColorStatOut[] = {{ptColor, u"Minimal values of color channels"},
                                         {ptColor, u"Maximal values of color channels"},
                                         {ptColor, u"Average values of color channels"}};

// ---- Methods ------------------------------------------------------------------

constexpr MethodEntry kMethods[] = {
    {u"get_segment_borders", u"Getting segments between edges", 1002, 16, 0, kSegmentIn, kSegmentOut},
    {u"edge_defects", u"Detecting edge defects", 1003, 15, 0, kDefectsIn, kDefectsOut},
    {u"centroid", u"Detecting the centroid", 1004, 2, 0, kCentroidIn, kCentroidOut},
    {u"edge_detection", u"Detecting edges on line", 1005, 5, 0, kEdgesLineIn, kEdgesOut},
    {u"edge_detection_ring", u"Detecting edges on ring", 1006, 6, 0, kEdgesRingIn, kEdgesOut},
    {u"edge_profile_by_threshold", u"Detecting profile by threshold", 1008, 7, 0, kProfileThresholdIn, kProfileOut},
    {u"edge_profile_by_contour", u"Detecting profile by gradient", 1009, 8, 0, kProfileContourIn, kProfileOut},
    {u"straight_edge_detection_by_threshold", u"Detecting straight edge by threshold", 1010, 9, 1,
     kStraightThresholdIn, kStraightOut},
    {u"straight_edge_detection_by_contour", u"Detecting straight edge by gradient", 1011, 10, 1, kStraightContourIn,
     kStraightOut},
    {u"line_edge_detection_by_threshold", u"Detecting straight edge by threshold", 1026, 11, 0, kLineThresholdIn,
     kLineOut},
    {u"line_edge_detection_by_contour", u"Detecting straight edge by gradient", 1025, 12, 0, kLineContourIn,
     kLineOut},
    {u"best_line_edge_detection_by_threshold", u"Detecting best straight edge by threshold", 1028, 9, 0,
     kBestThresholdIn, kBestLineOut},
    {u"best_line_edge_detection_by_contour", u"Detecting best straight edge by gradient", 1027, 10, 0,
     kBestContourIn, kBestLineOut},
    {u"radial_edge_detection_by_threshold", u"Radial detecting of edges by threshold", 1030, 13, 0,
     kRadialThresholdIn, kRadialOut},
    {u"radial_edge_detection_by_contour", u"Radial detecting of edges by threshold", 1029, 14, 0, kRadialContourIn,
     kRadialOut},
    {u"object_detection_by_threshold", u"Object detection according to brightness", 1013, 0, 0, kObjectThresholdIn,
     kObjectsOut},
    {u"object_detection_by_color", u"Object detection according to color", 1014, 1, 0, kObjectColorIn, kObjectsOut},
    {u"object_detection_by_texture", u"Object detection according to texture", 1015, 2, 0, kObjectTextureIn,
     kObjectsOut},
    {u"simple_threshold_region", u"Simple threshold (convert input region of frame to two-value)", 1016, 1, 0,
     kSimpleThresholdIn, kFrameOut},
    {u"get_threshold", u"Get threshold value according to histogram", 1012, 3, 0, kRateThresholdIn, kThresholdOut},
    {u"bimodal_threshold", u"Get threshold value for the frames with bimodal histogram", 1017, 4, 0,
     kModalThresholdIn, kThresholdOut},
    {u"unimodal_threshold", u"Get threshold value for the frames with unimodal histogram", 1018, 5, 0,
     kModalThresholdIn, kThresholdOut},
    {u"local_threshold",
     u"Local threshold (threshold pixels not only according to its value but also accordint to the sorrounding "
     u"pixels)",
     1024, 2, 0, kLocalThresholdIn, kFrameOut},
    {u"line_profile", u"Scanning line profile", 1019, 3, 0, kLineProfileIn, kLineProfileOut},
    {u"mask_compare", u"Comparing input image with mask", 1020, 27, 0, kMaskCompareIn, kMaskCompareOut},
    {u"fill_spot_threshold", u"Filling the target spot with deifned color", 1021, 25, 0, kFillSpotIn, kFillSpotOut},
    {u"fill_gaps", u"Filling the gaps in the object wuth the defined color", 1022, 3, 0, kFillGapsIn, kFillGapsOut},
    {u"get_color_statistics", u"Getting the color statistics of the frame region", 1023, 3, 0, kColorStatIn,
     kColorStatOut},
};

// Init fetches the icons in this order: methods 0 to 8, then 15 to 27, the
// object category, and the icon groups of methods 10, 9, 12, 11, 14 and 13.
constexpr IconSlot kIconOrder[] = {
    {false, 0},  {false, 1},  {false, 2},  {false, 3},  {false, 4},  {false, 5},  {false, 6},  {false, 7},
    {false, 8},  {false, 15}, {false, 16}, {false, 17}, {false, 18}, {false, 19}, {false, 20}, {false, 21},
    {false, 22}, {false, 23}, {false, 24}, {false, 25}, {false, 26}, {false, 27}, {true, kObjects},
    {false, 10}, {false, 9},  {false, 12}, {false, 11}, {false, 14}, {false, 13},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = -1,
    .sortKey = frame::SortKeyRule::kTable,
    .iconOrder = kIconOrder,
    .gpuFlagInEnumerateMethods = false,
    .categoriesWithoutIcon = true,
};

static_assert(std::size(kMethods) == kMethodCount);
static_assert(std::size(kIconOrder) == 29, "28 method icons and one category icon");

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());
static_assert(frame::CatalogueResources<kCatalogue>::kTable.count == 29);

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace gantrel
