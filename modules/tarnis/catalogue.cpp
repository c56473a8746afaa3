#include "catalogue.h"

#include "frame/icons.h"

namespace tarnis {
namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"GPU Filters", 6, 1000}};
constexpr int kAllMethods[] = {0};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kHaarIn[] = {
    {ptFrame, u"input frame"},
    {ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"},
    {ptNumber, u"filter window size", u"Min=1.0;Max=240.0;Default=5.0"},
    {ptNumber, u"filter mode",
     u"Default=0;Options=0: 'Angle_Pi', 1: 'Angle_2Pi', 2: 'Gradient_X', 3: 'Gradient_Y', 4: 'Gradient_X_Y', 5: "
     u"'Gradient_Y_X'"},
    {ptFlag, u"inverse output image", u"Default=false"},
    {ptFlag, u"copy region neighborhood into the image", u"Default=false"},
};

constexpr MethodEntry kMethods[] = {
    {u"gpu_haar", u"GPU accelerated Haar waves gradients computing", 1001, 10, 0, kHaarIn, {}},
};
static_assert(std::size(kMethods) == kMethodCount);

HostIcon g_methodIcons[kMethodCount];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace tarnis
