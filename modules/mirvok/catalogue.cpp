#include "catalogue.h"

#include "frame/icons.h"

namespace mirvok {
namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

enum Category { kGpuFilters, kMotion, kThresholding };

constexpr CategoryEntry kCategories[] = {
    {u"GPU Filters", 6, 1000},
    {u"Motion detection", 18, 1007},
    {u"Thresholding", 4, 1000},
};

constexpr int kFilterMethods[] = {0, 1, 2, 3, 4};
constexpr int kMotionMethods[] = {5, 6};
constexpr int kThresholdingMethods[] = {2};

constexpr Placement kPlacements[] = {
    {kGpuFilters, 0, 0, kFilterMethods},
    {kMotion, 0, 0, kMotionMethods},
    {kThresholding, 1, 0, kThresholdingMethods},
};

// ---- Inputs -------------------------------------------------------------------

constexpr InputEntry kFrameIn{ptFrame, u"input frame"};
constexpr InputEntry kRegionIn{ptRectangularRegion, u"activity region", u"EditType=ScanRectRegion"};
constexpr InputEntry kCopyRegionIn{ptFlag, u"copy region neighborhood into the image", u"Default=true"};
constexpr InputEntry kDrawOutputsIn{ptFlag, u"draw outputs into the image", u"Default=true"};
constexpr InputEntry kIterationsIn{ptNumber, u"number of iterations",
                                   u"EditType=CountBox;Min=1;Max=100;Default=5;Step=1;DecPlaces=0"};

constexpr InputEntry kHslIn[] = {
    kFrameIn,
    kRegionIn,
    {ptColor, u"color"},
    {ptNumber, u"color tolerance", u"EditType=Slider;Min=0;Max=360;Default=5"},
    {ptNumber, u"minimal lightness", u"EditType=Slider;Min=0;Max=1;Default=0"},
    {ptNumber, u"maximal lightness", u"EditType=Slider;Min=0;Max=1;Default=1"},
    {ptNumber, u"minimal saturation", u"EditType=Slider;Min=0;Max=1;Default=0"},
    {ptNumber, u"maximal saturation", u"EditType=Slider;Min=0;Max=1;Default=1"},
    {ptColor, u"foreground color"},
    {ptColor, u"background color"},
    kCopyRegionIn,
    kDrawOutputsIn,
};

constexpr InputEntry kDenoiseIn[] = {kFrameIn, kRegionIn, kIterationsIn, kCopyRegionIn, kDrawOutputsIn};

constexpr InputEntry kGrayscaleIn[] = {
    kFrameIn,
    kRegionIn,
    {ptNumber, u"threshold mode og number of gray levels",
     u"EditType=CountBox;Min=0;Max=256;Default=1;Step=1;DecPlaces=0"},
    {ptNumber, u"threshold", u"EditType=Slider;Min=0.0;Max=1.0;Default=0.5"},
    {ptNumber, u"side of the picture area for local brightness",
     u"EditType=CountBox;Min=2;Max=50;Default=15;Step=1;DecPlaces=0"},
    {ptNumber, u"sensitivity", u"EditType=Slider;Min=0;Max=0.3;Default=0.05"},
    {ptFlag, u"negative", u"Default=false"},
    {ptNumber, u"sensitivity for red color", u"EditType=Slider;Min=-2.0;Max=2.0;Default=0.0"},
    {ptNumber, u"sensitivity for green color", u"EditType=Slider;Min=-2.0;Max=2.0;Default=0.0"},
    {ptNumber, u"sensitivity for blue color", u"EditType=Slider;Min=-2.0;Max=2.0;Default=0.0"},
    kCopyRegionIn,
    kDrawOutputsIn,
};

constexpr InputEntry kShockIn[] = {
    kFrameIn,      kRegionIn, kIterationsIn, {ptNumber, u"intensity", u"EditType=Slider;Min=0;Max=1.0;Default=0.5"},
    kCopyRegionIn, kDrawOutputsIn,
};

constexpr InputEntry kMotionFrameIns[] = {
    {ptFrame, u"mask frame"},
    {ptFrame, u"external background frame"},
    {ptFlag, u"use dynamic background", u"Default=true"},
    {ptNumber, u"background update ratio", u"EditType=Slider;Min=0.0;Max=1.0;Default=0.1"},
    {ptNumber, u"threshold", u"EditType=Slider;Min=0.0;Max=1.0;Default=0.5"},
};

constexpr InputEntry kMotionIn[] = {
    kFrameIn,          kRegionIn,         kMotionFrameIns[0], kMotionFrameIns[1],
    kMotionFrameIns[2], kMotionFrameIns[3], kMotionFrameIns[4],
    {ptNumber, u"highlight intensity", u"EditType=Slider;Min=0.0;Max=1.0;Default=0.8"},
    kCopyRegionIn,     kDrawOutputsIn,
};

constexpr InputEntry kMotionFilterIn[] = {
    kFrameIn,          kRegionIn,         kMotionFrameIns[0], kMotionFrameIns[1],
    kMotionFrameIns[2], kMotionFrameIns[3], kMotionFrameIns[4],
    {ptColor, u"color"},
    {ptFlag, u"dichromatic output picture only", u"Default=false"},
    kCopyRegionIn,     kDrawOutputsIn,
};

// ---- Outputs ------------------------------------------------------------------

constexpr OutputEntry kFrameOut[] = {{ptFrame, u"output frame"}};
constexpr OutputEntry kMotionOut[] = {{ptFrame, u"output frame"}, {ptFlag, u"motion detected"}};

// ---- Methods ------------------------------------------------------------------

constexpr MethodEntry kMethods[] = {
    {u"gpu_HSL_filter", u"GPU powered color filtration in HSL color space", 1002, 0, 0, kHslIn, kFrameOut},
    {u"gpu_denoise_filter", u"GPU powered picture noise reduction", 1003, 1, 0, kDenoiseIn, kFrameOut},
    {u"gpu_grayscale_filter", u"GPU powered local thresholding and conversion into gray levels", 1004, 7, 0,
     kGrayscaleIn, kFrameOut},
    {u"gpu_shock_sharpness_filter", u"GPU powered shock sharpening", 1005, 1, 0, kShockIn, kFrameOut},
    {u"gpu_shock_morphologic_filter", u"GPU powered shock morphology", 1006, 1, 0, kShockIn, kFrameOut},
    {u"gpu_motion_detection", u"GPU powered motion detection", 1008, 0, 0, kMotionIn, kMotionOut},
    {u"gpu_motion_detection_filter", u"GPU powered motion detection filter", 1009, 0, 0, kMotionFilterIn,
     kFrameOut},
};

struct Cell {
  int method;
  int param;
};
constexpr Cell kUnwrittenProperties[] = {{0, 2}, {0, 8}, {0, 9}, {6, 7}};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true, .sortKey = frame::SortKeyRule::kTable};

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

bool PropertiesLeftAlone(int methodIndex, int paramIndex) {
  for (const Cell& c : kUnwrittenProperties) {
    if (c.method == methodIndex && c.param == paramIndex) return true;
  }
  return false;
}

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace mirvok
