#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace uvarek {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

constexpr CategoryEntry kCategories[] = {{u"Transformation encoding", 16, 1000}};
constexpr int kAllMethods[] = {0, 1, 2};
constexpr Placement kPlacements[] = {{0, 0, 0, kAllMethods}};

constexpr InputEntry kInputs[] = {
    {ptFrame, u"Input frame"},
    {ptRectangularRegion, u"Region", u"EditType=ScanRectRegion"},
    {ptNumber, u"Number of scanlines", u"EditType=CountBox;Min=0;Default=1;Step=1;DecPlaces=0"},
    {ptNumber, u"Spectrum begin", u"Min=0;Default=1;Step=1;DecPlaces=0"},
    {ptNumber, u"Spectrum end", u"Min=0;Default=1;Step=1;DecPlaces=0"},
    {ptNumber, u"Window type",
     u"Options=0: 'Rectangular', 1: 'Hann', 2: 'Hamming', 3: 'Blackman', 4: 'Blackman-Harris', 5: 'Bartlett'"},
    {ptRectangularRegion, u"Drawing region", u"EditType=ScanRectRegion"},
    {ptFlag, u"Show results", u"Default=true"},
};

constexpr OutputEntry kOutputs[] = {{ptNumber, u"Maximal coefficient"},
                                    {ptNumber, u"Coefficients sum"},
                                    {ptNumber, u"Amplitude spectrum"},
                                    {ptNumber, u"Phase spectrum"}};
constexpr std::span<const OutputEntry> kCosineOutputs{kOutputs, 3};

constexpr MethodEntry kMethods[] = {
    {u"discrete_cosine_transform_1D", u"one-dimensional discrete cosine transform", 1002, 0, 0, kInputs,
     kCosineOutputs},
    {u"discrete_fourier_transform_1D", u"one-dimensional discrete Fourier transform", 1003, 0, 0, kInputs, kOutputs},
    {u"fast_fourier_transform_1D", u"one-dimensional fast Fourier transform", 1004, 0, 0, kInputs, kOutputs},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);

// The category id is written before the index is tested.
constexpr frame::CataloguePolicy kPolicy{.categoryIdBeforeIndex = true};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace uvarek
