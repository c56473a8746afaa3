#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace rombek {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Statistics", 8, 1000}};
constexpr int kAllMethods[] = {0, 1, 2, 3};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kFrameIn{ptFrame, u"Input frame"};
constexpr InputEntry kRegionIn{ptRectangularRegion, u"Region", u"EditType=ScanRectRegion"};
constexpr InputEntry kShowIn{ptFlag, u"Show results", u"Default=true"};

constexpr InputEntry kBoxIn[] = {
    kFrameIn,
    kRegionIn,
    {ptNumber, u"Threshold level", u"EditType=Threshold;Max=1.0;Min=0;Default=0.5;Step=0.01;DecPlaces=2"},
    {ptFlag, u"Negative", u"Default=false"},
    kShowIn,
};
constexpr InputEntry kNoiseIn[] = {kFrameIn, kRegionIn, kShowIn};
constexpr InputEntry kHistogramIn[] = {
    kFrameIn, kRegionIn, {ptRectangularRegion, u"Drawing region", u"EditType=ScanRectRegion"}, kShowIn};

constexpr OutputEntry kBoxOut[] = {{ptRectangle, u"Bounding box"}};
constexpr OutputEntry kNoiseOut[] = {{ptNumber, u"Mean"},
                                     {ptNumber, u"Standard deviation"},
                                     {ptNumber, u"Maximum"},
                                     {ptNumber, u"Minimum"},
                                     {ptNumber, u"Signal to noise ratio"}};
constexpr OutputEntry kHistogramOut[] = {
    {ptNumber, u"Red histogram"}, {ptNumber, u"Green histogram"}, {ptNumber, u"Blue histogram"}};

constexpr MethodEntry kMethods[] = {
    {u"covariance_oriented_bounding_rectangle",
     u"Finding the minimal bounding box, oriented along the maximal diffusion of the set of pixels", 1002, 5, 0,
     kBoxIn, kBoxOut},
    {u"axes_aligned_bounding_rectangle",
     u"Finding the minimal bounding box for the set of pixels, aligned to coordinate system axes", 1003, 6, 0, kBoxIn,
     kBoxOut},
    {u"noise_monitor", u"Signal to noise ration statistical evaluation", 1004, 4, 0, kNoiseIn, kNoiseOut},
    {u"histogram", u"Computing of the histogram", 1005, 1, 0, kHistogramIn, kHistogramOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace rombek
