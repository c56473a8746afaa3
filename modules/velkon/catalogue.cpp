#include "catalogue.h"

#include "frame/icons.h"

namespace velkon {
namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Picture feaures", 10, 1000}};
constexpr int kBoth[] = {0, 1};
constexpr Placement kPlacements[] = {{0, 0, 0, kBoth}};

constexpr InputEntry kInputs[] = {
    {ptFrame, u"input frame"},
    {ptRectangularRegion, u"region for finding", u"EditType=ScanRectRegion"},
    {ptNumber, u"threshold", u"Min=0.0;Max=1.0;Default=0.5"},
    {ptNumber, u"size limit", u"Min=0.0;Max=4096.0;Default=0.0"},
    {ptFlag, u"draw outputs into the picture", u"Default=true"},
};

constexpr OutputEntry kOutputs[] = {
    {ptNumber, u"X coordinate of the found circle center"},
    {ptNumber, u"Y coordinate of the found circle center"},
    {ptNumber, u"radius of the found circle"},
};

constexpr MethodEntry kMethods[] = {
    {u"gpu_incircle", u"GPU powered largest inscribed circle finding", 1001, 10, 0, kInputs, kOutputs},
    {u"gpu_outcircle", u"GPU powered smallest outscribed circle finding", 1002, 10, 0, kInputs, kOutputs},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true, .sortKey = frame::SortKeyRule::kTable};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace velkon
