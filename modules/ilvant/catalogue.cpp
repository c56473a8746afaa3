#include "catalogue.h"

#include "frame/icons.h"

namespace ilvant {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

// Categories, in the order Init fetches their icons.
enum Category { kFrameOperations, kStatistics, kColorOperations, kTransforms, kOthers, kThresholding };

constexpr CategoryEntry kCategories[] = {
    {u"Frame operations", 3, 1101}, {u"Statistics", 8, 1110}, {u"Color operations", 30, 1102},
    {u"Transforms", 31, 1103},      {u"Others", 32, 1104},    {u"Thresholding", 4, 1111},
};

// Path 0, level 0 is "Frame operations" for every index not listed here, past
// the last method too (the policy below).
constexpr int kStatisticsMethods[] = {28, 29};
constexpr int kColorMethods[] = {0, 1, 2, 3, 5, 6, 7, 8, 20, 21, 22, 23, 24, 30, 31, 32, 33, 34, 35};
constexpr int kTransformMethods[] = {9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
constexpr int kOtherMethods[] = {4, 25, 26, 27};
constexpr int kThresholdingMethods[] = {0};

constexpr Placement kPlacements[] = {
    {kStatistics, 0, 0, kStatisticsMethods},     {kColorOperations, 0, 1, kColorMethods},
    {kTransforms, 0, 1, kTransformMethods},      {kOthers, 0, 1, kOtherMethods},
    {kThresholding, 1, 0, kThresholdingMethods},
};

// ---- Inputs -------------------------------------------------------------------

constexpr std::u16string_view kEditThreshold = u"EditType=Threshold";
constexpr std::u16string_view kDefaultTrue = u"Default=true";
constexpr std::u16string_view kInterpolation = u"Default=0;Options=0: 'Nearest-neighbour', 1: 'Bilinear', 2: 'Bicubic'";
constexpr std::u16string_view kPalettes =
    u"Options=0: 'user-defined', 1: 'black-white', 2: 'negative', 3: 'spectrum', 4: 'black-red-white', "
    u"5: 'black-orange-white', 6: 'black-yellow-white', 7: 'black-green-white', 8: 'black-cyan-white', "
    u"9: 'black-blue-white', 10: 'black-magenta-white', 11: 'red', 12: 'yellow', 13: 'green', 14: 'cyan', "
    u"15: 'blue', 16: 'magenta', 17: 'saturation'";

constexpr InputEntry kInputFrame{ptFrame, u"Input frame"};

constexpr InputEntry kFrameOnly[] = {kInputFrame};
constexpr InputEntry kThresholdIn[] = {kInputFrame, {ptNumber, u"Threshold", kEditThreshold}};
constexpr InputEntry kCombineRgbIn[] = {{ptFrame, u"Input red frame"},
                                        {ptFrame, u"Input green frame"},
                                        {ptFrame, u"Input blue frame"},
                                        {ptFrame, u"Input mask frame"}};
constexpr InputEntry kCombineHslIn[] = {{ptFrame, u"Input hue frame"},
                                        {ptFrame, u"Input saturation frame"},
                                        {ptFrame, u"Input lightness frame"},
                                        {ptFrame, u"Input mask frame"}};
constexpr InputEntry kRotateIn[] = {
    kInputFrame, {ptNumber, u"Angle"}, {ptFlag, u"Crop", kDefaultTrue}, {ptPoint, u"Rotation center"}};
constexpr InputEntry kTranslateIn[] = {kInputFrame, {ptPoint, u"Offset"}};
constexpr InputEntry kCropIn[] = {kInputFrame, {ptRectangularRegion, u"Region"}};
constexpr InputEntry kDownsampleIn[] = {
    kInputFrame, {ptNumber, u"X axis - coefficient of decrease"}, {ptNumber, u"Y axis - coefficient of decrease"}};
constexpr InputEntry kOversampleIn[] = {kInputFrame,
                                        {ptNumber, u"X axis - coefficient of increase"},
                                        {ptNumber, u"Y axis - coefficient of increase"},
                                        {ptNumber, u"Type of interpolation", kInterpolation}};
constexpr InputEntry kResizeIn[] = {kInputFrame,
                                    {ptNumber, u"New width"},
                                    {ptNumber, u"New depth"},
                                    {ptNumber, u"Type of interpolation", kInterpolation}};
constexpr InputEntry kAddConstIn[] = {kInputFrame, {ptNumber, u"Add value", u"Min=-1;Max=1;Default=0"}};
constexpr InputEntry kMultConstIn[] = {kInputFrame, {ptNumber, u"Multiplier", u"Min=0;Default=1"}};
constexpr InputEntry kAddFrameIn[] = {kInputFrame, {ptFrame, u"Added frame"}};
constexpr InputEntry kSubFrameIn[] = {kInputFrame, {ptFrame, u"Substract frame"}};
constexpr InputEntry kPasteMaskIn[] = {kInputFrame, {ptFrame, u"Mask frame"}};
constexpr InputEntry kBlendIn[] = {kInputFrame,
                                   {ptFrame, u"Blend frame"},
                                   {ptNumber, u"Alpha channel", u"Min=0;Max=1;Default=1"},
                                   {ptPoint, u"Offset"}};
constexpr InputEntry kBlendAlphaIn[] = {kInputFrame, {ptFrame, u"Blend frame"}, {ptPoint, u"Offset"}};
constexpr InputEntry kLineCountIn[] = {kInputFrame,
                                       {ptLine, u"Input line"},
                                       {ptNumber, u"Threshold", kEditThreshold},
                                       {ptFlag, u"Show results", kDefaultTrue}};
constexpr InputEntry kRegionCountIn[] = {kInputFrame,
                                         {ptRectangularRegion, u"Input region", u"EditType=ScanRectRegion"},
                                         {ptNumber, u"Threshold", kEditThreshold},
                                         {ptFlag, u"Show results", kDefaultTrue}};
// "Border threshold " ends in a blank: names are the host's keys.
constexpr InputEntry kFalseColorIn[] = {kInputFrame,
                                        {ptNumber, u"Predefined palette", kPalettes},
                                        {ptNumber, u"Border threshold "},
                                        {ptColor, u"Border color"}};
constexpr InputEntry kMaskingIn[] = {kInputFrame, {ptFrame, u"Mask frame"}, {ptColor, u"Background color"}};
constexpr InputEntry kGetPixelIn[] = {kInputFrame, {ptPoint, u"Input point"}};
constexpr InputEntry kPutPixelIn[] = {kInputFrame, {ptPoint, u"Input point"}, {ptColor, u"Input color"}};
constexpr InputEntry kPutRegionIn[] = {kInputFrame, {ptRectangularRegion, u"Input region"}, {ptColor, u"Input color"}};

// ---- Outputs ------------------------------------------------------------------

constexpr OutputEntry kFrameOut[] = {{ptFrame, u"Output frame"}};
constexpr OutputEntry kSplitRgbOut[] = {{ptFrame, u"Output red frame"},
                                        {ptFrame, u"Output green frame"},
                                        {ptFrame, u"Output blue frame"},
                                        {ptFrame, u"Output mask frame"}};
constexpr OutputEntry kSplitHslOut[] = {{ptFrame, u"Output hue frame"},
                                        {ptFrame, u"Output saturation frame"},
                                        {ptFrame, u"Output lightness frame"},
                                        {ptFrame, u"Output mask frame"}};
constexpr OutputEntry kCountOut[] = {{ptNumber, u"Number of light pixels"},
                                     {ptNumber, u"Number of dark pixels"},
                                     {ptNumber, u"Ratio of light pixels"},
                                     {ptNumber, u"Ratio of dark pixels"}};
constexpr OutputEntry kColorOut[] = {{ptColor, u"Output color"}};

// ---- Methods ------------------------------------------------------------------
// The sort key is the method index; properties 2 marks the methods whose
// output frame may differ in size from the input.

constexpr MethodEntry kMethods[] = {
    {u"simple_threshold", u"Simple threshold (convert frame to two-value frame)", 1006, 0, 0, kThresholdIn, kFrameOut},
    {u"color_to_monochrome", u"Convert color frame to mochrome one using NTSC brightness coefficients", 1004, 1, 0,
     kFrameOnly, kFrameOut},
    {u"color_to_monochrome_avg", u"Convert color frame to mochrome one by averaging of red, green and blue values",
     1004, 2, 0, kFrameOnly, kFrameOut},
    {u"monochrome_to_color", u"Convert monochrome (8-bit) to color (32-bit) frame (image remains gray-scale)", 1005, 3,
     0, kFrameOnly, kFrameOut},
    {u"copy_frame", u"Copy one frame to another", 1023, 4, 0, kFrameOnly, kFrameOut},
    {u"split_RGB",
     u"Split color frame to four monochrome frames, one for each basic color (red, green and blue) and one for the "
     u"alpha channel",
     1007, 5, 0, kFrameOnly, kSplitRgbOut},
    {u"combine_RGB",
     u"Combine four monochrome frames, one for each basic color (red, green and blue) and one for the alpha channel, "
     u"into one color frame",
     1008, 6, 0, kCombineRgbIn, kFrameOut},
    {u"split_HSL",
     u"Split color frame to four monochrome frames, one for each: hue, saturation, lightness and alpha channel", 1009,
     7, 0, kFrameOnly, kSplitHslOut},
    {u"combine_HSL",
     u"Combine four monochrome frames (hue, saturation, lightness and alpha channel) into one color frame", 1010, 8, 0,
     kCombineHslIn, kFrameOut},
    {u"rotate_90_right", u"Rotate frame 90 degrees right", 1011, 9, 2, kFrameOnly, kFrameOut},
    {u"rotate_90_left", u"Rotate frame 90 degrees left", 1012, 10, 2, kFrameOnly, kFrameOut},
    {u"rotate_180", u"Rotate frame 180 degrees", 1013, 11, 0, kFrameOnly, kFrameOut},
    {u"rotate", u"Rotate frame by arbitrary angle", 1016, 12, 2, kRotateIn, kFrameOut},
    {u"translate", u"Translate frame by arbitrary sub-pixel offset", 1018, 13, 0, kTranslateIn, kFrameOut},
    {u"crop", u"Crop frame border", 1017, 14, 2, kCropIn, kFrameOut},
    {u"flip_horizontal", u"Flip frame horizontally", 1014, 15, 0, kFrameOnly, kFrameOut},
    {u"flip_vertical", u"Flip frame vertically", 1015, 16, 0, kFrameOnly, kFrameOut},
    {u"downsample", u"Decrease the resolution of the image", 1019, 17, 2, kDownsampleIn, kFrameOut},
    {u"oversample", u"Increase the resolution of the image", 1020, 18, 2, kOversampleIn, kFrameOut},
    {u"resize", u"Resize image", 1021, 19, 2, kResizeIn, kFrameOut},
    {u"inverse", u"Invert frame", 1022, 20, 0, kFrameOnly, kFrameOut},
    {u"add_const", u"Add number to each pixel", 1024, 21, 0, kAddConstIn, kFrameOut},
    {u"mult_const", u"Multiply each pixel", 1025, 22, 0, kMultConstIn, kFrameOut},
    {u"add_frame", u"Add frame to input frame", 1026, 23, 0, kAddFrameIn, kFrameOut},
    {u"sub_frame", u"Substract frame from input frame", 1027, 24, 0, kSubFrameIn, kFrameOut},
    {u"paste_mask", u"Pastes second frame as an alpha channel (mask) of the first frame", 1030, 25, 0, kPasteMaskIn,
     kFrameOut},
    {u"blend_frame", u"Blend frame", 1028, 26, 0, kBlendIn, kFrameOut},
    {u"blend_frame_alpha", u"Blend frame", 1029, 27, 0, kBlendAlphaIn, kFrameOut},
    {u"line_pixel_count", u"Number of light / dark pixels on line", 1031, 28, 0, kLineCountIn, kCountOut},
    {u"region_pixel_count", u"Number of light / dark pixels in region", 1032, 29, 0, kRegionCountIn, kCountOut},
    {u"false_color", u"Transforming the monochromatic frame to the color image using the defined color palette", 1033,
     30, 0, kFalseColorIn, kFrameOut},
    {u"masking", u"Frame masking", 1034, 31, 0, kMaskingIn, kFrameOut},
    {u"get_pixel", u"Get the colour of the pixel", 1037, 32, 0, kGetPixelIn, kColorOut},
    {u"put_pixel", u"Put pixel of defined colour into frame", 1035, 33, 0, kPutPixelIn, kFrameOut},
    {u"put_region", u"Put region of defined colour into frame", 1036, 34, 0, kPutRegionIn, kFrameOut},
    {u"histogram_equalization", u"Image contrast enhance through the histogram equalization", 1038, 35, 0, kFrameOnly,
     kFrameOut},
};

// Icon globals: one handle per method and per category (methods 1 and 2
// share a resource but not a handle).
HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

constexpr frame::CataloguePolicy kPolicy{
    .gpuFlag = false,
    .unboundedTopCategory = kFrameOperations,
    .sortKey = frame::SortKeyRule::kMethodIndex,
};

constexpr bool SortKeysAreIndexes() {
  for (size_t i = 0; i < std::size(kMethods); ++i) {
    if (kMethods[i].sortKey != static_cast<int>(i)) return false;
  }
  return true;
}

static_assert(std::size(kMethods) == kMethodCount);
static_assert(std::size(kCategories) == 6);
static_assert(SortKeysAreIndexes(), "the sort key written for any index is the index itself");

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());
static_assert(frame::CatalogueResources<kCatalogue>::kTable.count == 41, "42 icon handles from 41 resources");

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace ilvant
