#include "catalogue.h"

#include <array>

#include "frame/icons.h"

namespace hoskin {

HostIcon gIcons[4] = {};

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr InputEntry kBarcodeInputs[] = {
    {ptFrame, u"input frame"},
    {ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"},
    {ptNumber, u"detector window size", u"Min=0.0;Max=50.0;Step=1.0;Default=5.0"},
    {ptNumber, u"brightness differentiation sensitivity", u"Min=0.0;Max=0.5;Step=0.0001;Default=0.005"},
    {ptNumber, u"content of drawings into the picture",
     u"Default=0;Options=0: 'Nothing', 1: 'All', 2: 'Points', 3: 'Regions'"},
    {ptFlag, u"draw outputs into the picture", u"Default=true"},
};

constexpr InputEntry kPatternInputs[] = {
    {ptFrame, u"input frame"},
    {ptRectangularRegion, u"scanned region", u"EditType=ScanRectRegion"},
    {ptNumber, u"features threshold", u"Min=0;Max=200;Default=0.5"},
    {ptNumber, u"content of drawings into the picture",
     u"Default=0;Options=0: 'Result', 1: 'Result and all debug info', 2: 'Result and region of the first finding'"},
    {ptFlag, u"draw outputs into the picture", u"Default=true"},
};

constexpr OutputEntry kOutputs[] = {
    {ptNumber, u"Number of codes detected"},
    {ptString, u"Result string"},
    {ptString, u"Barcode type"},
};

// Method 1 is never enumerated; its id only names it inside the tables.
constexpr MethodEntry kMethods[] = {
    {u"gpu_barcode", u"GPU accelerated barcode reading", 1001, 10, 0, kBarcodeInputs, kOutputs},
    {u"gpu_pattern", u"", 1002, 10, 0, kPatternInputs, kOutputs},
};

constexpr CategoryEntry kCategories[] = {{u"Barcodes", 15, 1000}};
constexpr int kPlaced[] = {kBarcodeMethod, kPatternMethod};
constexpr Placement kPlacements[] = {{0, 0, 0, kPlaced}};

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true, .sortKey = frame::SortKeyRule::kMethodIndex};

}  // namespace

constexpr frame::Catalogue kCatalogue(std::span(kMethods, 1), kCategories, kPlacements, std::span(gIcons, 1),
                                      std::span(gIcons + 3, 1), kPolicy);
constexpr frame::Catalogue kParameters(kMethods, kCategories, kPlacements, std::span(gIcons, 2),
                                       std::span(gIcons + 3, 1), kPolicy);

namespace {

constexpr auto kMethodImages = frame::MakeIcons<frame::kMethodIconSize>(std::array<int, 3>{1001, 1002, 1003});
constexpr auto kCategoryImage = frame::MakeIcon<frame::kCategoryIconSize>(1000);
constexpr ModuleResource kResourceEntries[] = {
    {kIconResourceType, 1001, static_cast<uint32_t>(kMethodImages[0].size()), kMethodImages[0].data()},
    {kIconResourceType, 1002, static_cast<uint32_t>(kMethodImages[1].size()), kMethodImages[1].data()},
    {kIconResourceType, 1003, static_cast<uint32_t>(kMethodImages[2].size()), kMethodImages[2].data()},
    {kIconResourceType, 1000, static_cast<uint32_t>(kCategoryImage.size()), kCategoryImage.data()},
};
constexpr ModuleResourceTable kResources{4, kResourceEntries};

}  // namespace

const ModuleResourceTable& Resources() { return kResources; }

}  // namespace hoskin
