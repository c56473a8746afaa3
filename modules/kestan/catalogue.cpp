#include "catalogue.h"

#include "frame/icons.h"

namespace kestan {
namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Picture feaures", 11, 1000}};
constexpr int kAllMethods[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

// ---- Inputs ---------------------------------------------------------------------

constexpr InputEntry kFrame{ptFrame, u"input frame"};
constexpr InputEntry kRegion{ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"};
constexpr InputEntry kThreshold{ptNumber, u"features threshold", u"Min=0;Max=200;Default=0.5"};
constexpr InputEntry kOrientation{ptNumber, u"features orientation detection method",
                                  u"Default=2;Options=0: 'None', 1: 'Dominant', 2: 'Dominant in sector'"};
constexpr InputEntry kDraw{ptFlag, u"draw outputs into the picture", u"Default=true"};
constexpr InputEntry kSave{ptFlag, u"save descriptors", u"Default=false"};
constexpr InputEntry kFile{ptString, u"descriptors file", u"Default='features.bff'"};
constexpr InputEntry kCorrection{ptNumber, u"features threshold correction", u"Min=-20;Max=20;Default=0.0"};
constexpr InputEntry kSimilarity{
    ptNumber, u"method for descriptors similarity testing",
    u"Default=1;Options=0: 'Difference', 1: 'Euclidean distance', 2: 'Cross correlation'"};
constexpr InputEntry kMaxDifference{ptNumber, u"maximal accepted descriptors difference",
                                    u"Min=0.0;Max=20.0;Default=1.5"};
constexpr InputEntry kMinCorrelation{ptNumber, u"mininimal accepted descriptors cross correlation",
                                     u"Min=0.0;Max=1.0;Default=0.8"};
constexpr InputEntry kMatchesRequired{ptNumber, u"number of matches required", u"Min=1;Max=1000;Default=1"};
constexpr InputEntry kPasses{ptNumber, u"number of passes of outcome statistical filtration", u"Min=0;Max=5;Default=0"};
constexpr InputEntry kDistanceCoefficient{
    ptNumber, u"distance coefficient from region center for outcome statistical filtration",
    u"Min=1.0;Max=10.0;Default=1.2"};
constexpr InputEntry kRegionAngle{ptNumber, u"region angle difference for outcome statistical filtration",
                                  u"Min=1.0;Max=60.0;Default=15.0"};
constexpr InputEntry kOrientationAngle{ptNumber, u"angle difference of the descriptor dominant orientation",
                                       u"Min=1.0;Max=60.0;Default=15.0"};
constexpr InputEntry kReload{ptFlag, u"reload file with descriptors", u"Default=false"};
constexpr InputEntry kDataIn{ptDataObject, u"data object with descriptors", u"Default=''"};
constexpr InputEntry kLabel{ptString, u"label of object", u"Default='label'"};
constexpr InputEntry kDrawingContent{
    ptNumber, u"content of drawings into the picture",
    u"Default=0;Options=0: 'All', 1: 'Found points and region', 2: 'Region'"};

constexpr InputEntry kKeypointIn[] = {kFrame, kRegion, kThreshold, kOrientation, kDraw};
constexpr InputEntry kSaveIn[] = {kFrame, kRegion, kThreshold, kOrientation, kSave, kFile, kDraw};
constexpr InputEntry kMatchIn[] = {kFrame,  kRegion,          kCorrection,     kSimilarity, kMaxDifference,
                                   kMinCorrelation, kMatchesRequired, kPasses, kDistanceCoefficient,
                                   kRegionAngle,    kReload,          kFile,   kDrawingContent, kDraw};
constexpr InputEntry kMatchDataIn[] = {kFrame,           kRegion,  kCorrection,          kSimilarity,
                                       kMaxDifference,   kMinCorrelation, kMatchesRequired, kPasses,
                                       kDistanceCoefficient, kRegionAngle, kDataIn, kDrawingContent, kDraw};
constexpr InputEntry kMultipleIn[] = {kFrame,  kRegion,          kCorrection,     kSimilarity, kMaxDifference,
                                      kMinCorrelation, kMatchesRequired, kPasses, kDistanceCoefficient,
                                      kRegionAngle,    kReload,          kFile,   kLabel, kDrawingContent, kDraw};
constexpr InputEntry kMultipleDataIn[] = {kFrame,           kRegion,  kCorrection,          kSimilarity,
                                          kMaxDifference,   kMinCorrelation, kMatchesRequired, kPasses,
                                          kDistanceCoefficient, kRegionAngle, kDataIn, kLabel, kDrawingContent,
                                          kDraw};
constexpr InputEntry kPointMatchIn[] = {kFrame,          kRegion,           kCorrection, kSimilarity, kMaxDifference,
                                        kMinCorrelation, kOrientationAngle, kReload,     kFile,       kDrawingContent,
                                        kDraw};
constexpr InputEntry kPointMatchDataIn[] = {kFrame,          kRegion,           kCorrection, kSimilarity,
                                            kMaxDifference,  kMinCorrelation,   kOrientationAngle,
                                            kDataIn,         kDrawingContent,   kDraw};

// ---- Outputs --------------------------------------------------------------------

constexpr OutputEntry kKeypointOut[] = {{ptNumber, u"number of found points"},
                                        {ptCoordinateSystem, u"coordinates of found points"},
                                        {ptNumber, u"sizes of found points"}};
constexpr OutputEntry kSaveOut[] = {{ptNumber, u"number of found features"}};
constexpr OutputEntry kSaveDataOut[] = {{ptNumber, u"number of found features"},
                                        {ptDataObject, u"data object with found features"}};
constexpr OutputEntry kMatchOut[] = {{ptNumber, u"number of found features"},
                                     {ptNumber, u"number of found matches"},
                                     {ptRectangularRegion, u"found rectangle"}};
constexpr OutputEntry kPointMatchOut[] = {{ptNumber, u"number of found points"},
                                          {ptCoordinateSystem, u"coordinates of found points"}};

constexpr MethodEntry kMethods[] = {
    {u"gpu_keypoint", u"GPU powered keypoints detection", 1002, 10, 0, kKeypointIn, kKeypointOut},
    {u"gpu_feature_save",
     u"GPU powered keypoints detection and descriptors computing with saving to file", 1003, 10, 0, kSaveIn,
     kSaveOut},
    {u"gpu_feature_save_data",
     u"GPU powered keypoints detection and descriptors computing with saving to data object", 1004, 10, 0, kKeypointIn,
     kSaveDataOut},
    {u"gpu_feature_match", u"GPU powered keypoints detection and finding objects with reading from file", 1005, 10, 0,
     kMatchIn, kMatchOut},
    {u"gpu_feature_match_data",
     u"GPU powered keypoints detection and finding objects with reading from data object", 1006, 10, 0, kMatchDataIn,
     kMatchOut},
    {u"gpu_multiple_feature_match",
     u"GPU powered keypoints detection and finding multiple objects with reading from files", 1007, 10, 0,
     kMultipleIn, kMatchOut},
    {u"gpu_multiple_feature_match_data",
     u"GPU powered keypoints detection and finding multiple objects with reading from data objects", 1008, 10, 0,
     kMultipleDataIn, kMatchOut},
    {u"gpu_keypoint_match",
     u"GPU powered keypoints detection and finding according its descriptor with reading from file", 1009, 10, 0,
     kPointMatchIn, kPointMatchOut},
    {u"gpu_keypoint_match_data",
     u"GPU powered keypoints detection and finding according its descriptor with reading from data object", 1010, 10,
     0, kPointMatchDataIn, kPointMatchOut},
};
static_assert(std::size(kMethods) == kMethodCount);

HostIcon g_methodIcons[kMethodCount];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace kestan
