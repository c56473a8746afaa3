#include "catalogue.h"

#include "frame/icons.h"

namespace oskvel {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Particle classification", 19, 1001}};
constexpr int kAllMethods[] = {0, 1};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kRectIn[] = {
    {ptFrame, u"Input frame"},
    {ptFrame, u"Pattern frame"},
    {ptRectangularRegion, u"Examination region", u"EditType=ScanRectRegion"},
    {ptNumber, u"Horizontal template scanline number", u"Min=0;Default=0;Step=1"},
    {ptNumber, u"Vertical template scanline number", u"Min=0;Default=0;Step=1"},
    {ptNumber, u"Horizontal camera scanline number", u"EditType=ScanLinesHCount"},
    {ptNumber, u"Vertical camera scanline number", u"EditType=ScanLinesVCount"},
    {ptNumber, u"Gradient threshold", u"Min=0;Max=1;Default=0.2;Step=0.01"},
    {ptNumber, u"Maximal number of found patterns", u"Min=0;Default=1;Step=0.01"},
    {ptFlag, u"Object color"},
    {ptFlag, u"Show results"},
    {ptFlag, u"Showing the pattern frame as output frame (true)"},
};

constexpr InputEntry kRingIn[] = {
    {ptFrame, u"Input frame"},
    {ptFrame, u"Pattern frame"},
    {ptRingRegion, u"Examination region"},
    {ptNumber, u"Horizontal template scanline number", u"EditType=ScanLinesHCount"},
    {ptNumber, u"Vertical template scanline number", u"EditType=ScanLinesVCount"},
    {ptNumber, u"Scanline number"},
    {ptNumber, u"Gradient threshold", u"Min=0;Max=1;Default=0.5;Step=0.01"},
    {ptNumber, u"Maximal number of found patterns", u"Min=0;Default=1;Step=0.01"},
    {ptFlag, u"Object color"},
    {ptFlag, u"Show results"},
    {ptFlag, u"Showing the pattern frame as output frame (true)"},
};

constexpr OutputEntry kOut[] = {{ptNumber, u"Result number"},
                                {ptNumber, u"Result classes"},
                                {ptRectangle, u"Result rectangles"},
                                {ptFrame, u"Output frame"}};

constexpr MethodEntry kMethods[] = {
    {u"classifier_in_rectangular_region", u"Classification by qualifiers in rectangular region", 1002, 0, 0, kRectIn,
     kOut},
    {u"classifier_in_ring_region", u"Classification by qualifiers in ring region", 1003, 1, 0, kRingIn, kOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace oskvel
