#include "catalogue.h"

#include "frame/icons.h"

namespace dunsel {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;

constexpr CategoryEntry kCategories[] = {{u"Barcodes", 15, 1001}};

constexpr std::u16string_view kBarColour = u"Barcode color ( true - white bars, false - black bars )";

constexpr InputEntry kLinearIn[] = {
    {ptFrame, u"Input frame"},
    {ptRectangularRegion, u"Examination region", u"EditType=ScanRectRegion"},
    {ptNumber, u"Scanline number", u"EditType=ScanLinesCount"},
    {ptNumber, u"Scanline angles", u"EditType=ScanLineAngle"},
    {ptNumber, u"Angle number", u"Default=0"},
    {ptFlag, kBarColour, u"Default=false"},
    {ptFlag, u"Show results", u"Default=true"},
};

constexpr InputEntry kCode39In[] = {
    {ptFrame, u"Input frame"},
    {ptRectangularRegion, u"Examination region", u"EditType=ScanRectRegion"},
    {ptNumber, u"Scanline number", u"EditType=ScanLinesCount"},
    {ptNumber, u"Scanline angles", u"EditType=ScanLineAngle"},
    {ptNumber, u"Angle number", u"Default=0"},
    {ptFlag, u"ASCII mode ( true - yes, false - no )", u"Default=false"},
    {ptFlag, u"Checksum mode ( true - yes, false - no )", u"Default=true"},
    {ptFlag, kBarColour},
    {ptFlag, u"Show results"},
};

constexpr InputEntry kDataMatrixIn[] = {
    {ptFrame, u"Input frame"},
    {ptRectangularRegion, u"Examination region", u"EditType=ScanRectRegion"},
    {ptFlag, u"Negative", u"Default=false"},
    {ptFlag, u"Show results", u"Default=true"},
    {ptNumber, u"Mode",
     u"Default=0;Options=0: 'Detect both square and rectangular types', 1: 'Detect only square types'"},
};

constexpr OutputEntry kLinearOut[] = {{ptString, u"Result string"}};

constexpr OutputEntry kDataMatrixOut[] = {
    {ptString, u"Result string"},    {ptNumber, u"Unused error correction"},
    {ptNumber, u"Symbol contrast"},  {ptNumber, u"White module to black module width ratio"},
    {ptRectangle, u"Output region"},
};

constexpr MethodEntry kMethods[] = {
    {u"barcode_EAN13", u"EAN13 Barcode Reader", 1003, 0, 0, kLinearIn, kLinearOut},
    {u"barcode_Code128", u"Code128 Barcode Reader", 1004, 1, 0, kLinearIn, kLinearOut},
    {u"barcode_Code39", u"Code39 Barcode Reader", 1005, 2, 0, kCode39In, kLinearOut},
    {u"datamatrix", u"Datamatrix Reader", 1006, 3, 0, kDataMatrixIn, kDataMatrixOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

// Every method index, past the last one too, answers "Barcodes" at the top.
constexpr frame::CataloguePolicy kPolicy{.gpuFlag = false, .unboundedTopCategory = 0};

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, {}, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace dunsel
