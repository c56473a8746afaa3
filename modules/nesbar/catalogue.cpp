#include "catalogue.h"

#include "frame/icons.h"

namespace nesbar {
namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

// The category has no icon of its own.
constexpr CategoryEntry kCategories[] = {{u"Pattern matching", 11, 0}};
constexpr int kBoth[] = {0, 1};
constexpr Placement kPlacements[] = {{0, 0, 0, kBoth}};

constexpr InputEntry kFrame{ptFrame, u"input frame"};
constexpr InputEntry kRegion{ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"};
constexpr InputEntry kPattern{ptFrame, u"pattern"};
constexpr InputEntry kBeginRotation{ptNumber, u"begin rotation", u"Min=-360.0;Max=360.0;Default=0.0"};
constexpr InputEntry kEndRotation{ptNumber, u"end rotation", u"Min=-360.0;Max=360.0;Default=0.0"};
constexpr InputEntry kRotationStep{ptNumber, u"rotation step", u"Min=0.0;Max=90.0;Default=5.0"};
constexpr InputEntry kBeginScale{ptNumber, u"begin scale", u"Min=0.2;Max=2.0;Default=1.0"};
constexpr InputEntry kEndScale{ptNumber, u"end scale", u"Min=0.2;Max=2.0;Default=1.0"};
constexpr InputEntry kScaleStep{ptNumber, u"scale step", u"Min=0.01;Max=1.0;Default=0.1"};
constexpr InputEntry kQuality{ptNumber, u"quality or speed preference", u"EditType=Slider;Min=0.0;Max=1.0;Default=0.5"};
constexpr InputEntry kSamplingStep{ptNumber, u"pattern sampling step", u"Min=1;Max=250;Default=5"};
constexpr InputEntry kThreshold{ptNumber, u"threshold for binary patterns",
                                u"EditType=Slider;Min=0.0;Max=1.0;Default=0.5"};
constexpr InputEntry kCorrelation{ptNumber, u"requested correlation", u"EditType=Slider;Min=0.1;Max=1.0;Default=0.8"};
constexpr InputEntry kMaxMatches{ptNumber, u"maximal number of found patterns", u"Min=1;Max=250;Default=1"};
constexpr InputEntry kDraw{ptFlag, u"draw outputs into the picture", u"Default=true"};

constexpr InputEntry kGreyIn[] = {kFrame,   kRegion,   kPattern,     kBeginRotation, kEndRotation,
                                  kRotationStep, kBeginScale, kEndScale, kScaleStep, kQuality,
                                  kCorrelation,  kMaxMatches, kDraw};
constexpr InputEntry kBinaryIn[] = {kFrame,     kRegion,       kPattern,     kBeginRotation, kEndRotation,
                                    kRotationStep, kBeginScale, kEndScale,   kScaleStep,     kSamplingStep,
                                    kThreshold,    kCorrelation, kMaxMatches, kDraw};
constexpr OutputEntry kOut[] = {{ptNumber, u"number of found patterns"},
                                {ptCoordinateSystem, u"found coordinate system"},
                                {ptRectangle, u"found rectangle"},
                                {ptNumber, u"found correlation"},
                                {ptNumber, u"found scale"}};

constexpr MethodEntry kMethods[] = {
    {u"gpu_pattern", u"GPU powered monochromatic pattern matching", 1002, 10, 0, kGreyIn, kOut},
    {u"gpu_pattern_binary", u"GPU powered binary pattern matching", 1003, 11, 0, kBinaryIn, kOut},
};
static_assert(std::size(kMethods) == kMethodCount);

HostIcon g_methodIcons[kMethodCount];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true, .categoriesWithoutIcon = true};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace nesbar
