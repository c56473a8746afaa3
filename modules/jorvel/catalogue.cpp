#include "catalogue.h"

#include "frame/icons.h"

namespace jorvel {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

enum Category { kFilters, kConvolution, kMorphologic, kColor };

// "Color filters" has no picture of its own: it shows the top category's,
// through a handle of its own.
constexpr CategoryEntry kCategories[] = {
    {u"Filters", 5, 1001},
    {u"Convolution filters", 33, 1021},
    {u"Morphologic filters", 34, 1022},
    {u"Color filters", 35, 1001},
};

// Level 0 is "Filters" for every index, past the last method too (the policy).
constexpr int kConvolutionMethods[] = {0, 1, 2, 3, 4, 16, 17, 18};
constexpr int kMorphologicMethods[] = {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kColorMethods[] = {19};

constexpr Placement kPlacements[] = {
    {kConvolution, 0, 1, kConvolutionMethods},
    {kMorphologic, 0, 1, kMorphologicMethods},
    {kColor, 0, 1, kColorMethods},
};

constexpr std::u16string_view kEditThreshold = u"EditType=Threshold;Default=0.5";
constexpr std::u16string_view kRadius = u"Max=10;Default=1";
constexpr std::u16string_view kNeighbourhood = u"Default=1;Max=10";

constexpr InputEntry kInputFrame{ptFrame, u"Input frame"};

constexpr InputEntry kBlurIn[] = {kInputFrame,
                                  {ptNumber, u"Kernel radius", kRadius},
                                  {ptNumber, u"Pass-through rating", u"EditType=Slider;Min=0;Max=1;Default=0.5"}};
constexpr InputEntry kRadiusIn[] = {kInputFrame, {ptNumber, u"Kernel radius", kRadius}};
constexpr InputEntry kBoostIn[] = {kInputFrame, {ptNumber, u"High-boost coefficient", u"Default=0"}};
constexpr InputEntry kMedianIn[] = {kInputFrame, {ptNumber, u"Neighbourhood radius", kNeighbourhood}};
constexpr InputEntry kRankIn[] = {kInputFrame,
                                  {ptNumber, u"Neighbourhood radius", kNeighbourhood},
                                  {ptNumber, u"Intensity", u"Min=0;Max=1;Default=1"}};
constexpr InputEntry kSkeletonIn[] = {kInputFrame,
                                      {ptNumber, u"Maximum number of iterations", u"Default=20;Max=50"},
                                      {ptNumber, u"Threshold", kEditThreshold}};
constexpr InputEntry kEdgeIn[] = {
    kInputFrame, {ptNumber, u"Standard deviation"}, {ptNumber, u"Threshold", kEditThreshold}};
constexpr InputEntry kRepeatIn[] = {kInputFrame,
                                    {ptNumber, u"Times to repeat", u"Default=1;Max=10"},
                                    {ptNumber, u"Threshold", kEditThreshold}};
constexpr InputEntry kRepeatPairIn[] = {kInputFrame,
                                        {ptNumber, u"Times to repeat", u"Default=1;Min=1;Max=20"},
                                        {ptNumber, u"Threshold", kEditThreshold}};
constexpr InputEntry kKernel3In[] = {kInputFrame, {ptNumber, u"Kernel source", u"Matrix=3,3"}};
constexpr InputEntry kKernel5In[] = {kInputFrame, {ptNumber, u"Kernel source", u"Matrix=5,5"}};
constexpr InputEntry kKernelIn[] = {
    kInputFrame, {ptNumber, u"Kernel width"}, {ptNumber, u"Kernel height"}, {ptNumber, u"Kernel source"}};
constexpr InputEntry kFlatFieldIn[] = {kInputFrame, {ptFrame, u"White calibration frame"}};

constexpr OutputEntry kFrameOut[] = {{ptFrame, u"Output frame"}};

// Sort key and properties are not enumerated by this module.
constexpr MethodEntry kMethods[] = {
    {u"blur", u"Convolve image with specified pass-through ratio", 1003, 0, 0, kBlurIn, kFrameOut},
    {u"gaussian", u"Convolve image with Gaussian kernel", 1004, 1, 0, kRadiusIn, kFrameOut},
    {u"laplacian_high_boost_1", u"Convolve image with 1st type of Laplacian high-boost kernel", 1005, 2, 0, kBoostIn,
     kFrameOut},
    {u"laplacian_high_boost_2", u"Convolve image with 2nd type of Laplacian high-boost kernel", 1006, 3, 0, kBoostIn,
     kFrameOut},
    {u"laplacian_high_boost_3", u"Convolve image with 3rd type of Laplacian high-boost kernel", 1007, 4, 0, kBoostIn,
     kFrameOut},
    {u"mean", u"Convolve image with boxcar kernel", 1002, 5, 0, kRadiusIn, kFrameOut},
    {u"median", u"Changing each pixel with neighbourhood median", 1008, 6, 0, kMedianIn, kFrameOut},
    {u"minimum", u"Changing each pixel with neighbourhood minimum", 1014, 7, 0, kRankIn, kFrameOut},
    {u"maximum", u"Changing each pixel with neighbourhood maximum", 1015, 8, 0, kRankIn, kFrameOut},
    {u"extreme", u"Changing each pixel with neighbourhood minimum/maximum (depending which is further)", 1016, 9, 0,
     kRankIn, kFrameOut},
    {u"skeletonization", u"Skeletonization of image; resulting image is always monochromatic", 1013, 10, 0,
     kSkeletonIn, kFrameOut},
    {u"edge", u"Enhancing edges; resulting image is always monochromatic", 1017, 11, 0, kEdgeIn, kFrameOut},
    {u"dilation", u"Dilation of image; resulting image is always monochromatic", 1009, 12, 0, kRepeatIn, kFrameOut},
    {u"erosion", u"Erosion of image; resulting image is always monochromatic", 1010, 13, 0, kRepeatIn, kFrameOut},
    {u"opening", u"Opening of image; resulting image is always monochromatic", 1011, 14, 0, kRepeatPairIn,
     kFrameOut},
    {u"closing", u"Closing of image; resulting image is always monochromatic", 1012, 15, 0, kRepeatPairIn,
     kFrameOut},
    {u"kernel_3x3", u"Convolve image with user-defined 3x3 kernel", 1018, 16, 0, kKernel3In, kFrameOut},
    {u"kernel_5x5", u"Convolve image with user-defined 5x5 kernel", 1019, 17, 0, kKernel5In, kFrameOut},
    {u"kernel", u"Convolve image with user-defined kernel", 1020, 18, 0, kKernelIn, kFrameOut},
    {u"flat_field", u"Frame calibration using white pattern", 1023, 19, 0, kFlatFieldIn, kFrameOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = kFilters,
};

static_assert(std::size(kMethods) == kMethodCount);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace jorvel
