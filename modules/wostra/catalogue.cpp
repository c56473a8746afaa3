#include "catalogue.h"

#include "frame/icons.h"

namespace wostra {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;

// ---- Inputs -------------------------------------------------------------------

constexpr InputEntry kFrame{ptFrame, u"input frame"};
constexpr InputEntry kIntensity{ptNumber, u"intensity",
                                u"EditType=Slider;Max=1.0;Min=0.0;Default=1.0;Step=0.01;DecPlaces=2"};
constexpr InputEntry kSensitivity{ptNumber, u"sensitivity",
                                  u"EditType=Slider;Max=1.0;Min=0.0;Default=0.1;Step=0.01;DecPlaces=2"};
constexpr InputEntry kBrightness{ptNumber, u"brightness",
                                 u"EditType=Slider;Max=1.0;Min=-1.0;Default=0.0;Step=0.01;DecPlaces=2"};
constexpr InputEntry kContrast{ptNumber, u"contrast",
                               u"EditType=Slider;Max=1000.0;Min=0.0;Default=1.0;Step=0.01;DecPlaces=2"};
constexpr std::u16string_view kOffsetProps = u"EditType=Slider;Max=1.0;Min=-1.0;Default=0.0;Step=0.01;DecPlaces=2";
constexpr InputEntry kRed{ptNumber, u"red", kOffsetProps};
constexpr InputEntry kGreen{ptNumber, u"green", kOffsetProps};
constexpr InputEntry kBlue{ptNumber, u"blue", kOffsetProps};
constexpr InputEntry kSaturation{ptNumber, u"saturation",
                                 u"EditType=Slider;Max=3.0;Min=0.0;Default=1.0;Step=0.01;DecPlaces=2"};
constexpr InputEntry kNegative{ptFlag, u"negative", u"Default=false"};
constexpr InputEntry kApproximations{ptNumber, u"approximations",
                                     u"EditType=CountBox;Min=0;Default=1;Step=1;DecPlaces=0"};
constexpr InputEntry kLevel{ptNumber, u"level", u"EditType=Slider;Max=256;Min=0;Default=0;Step=1;DecPlaces=0"};
constexpr InputEntry kThreshold{ptNumber, u"threshold",
                                u"EditType=Threshold;Max=1.0;Min=0;Default=0.5;Step=0.01;DecPlaces=2"};
constexpr InputEntry kArea{ptNumber, u"area", u"EditType=CountBox;Max=100;Min=0;Default=20;Step=1;DecPlaces=0"};
constexpr std::u16string_view kKernelProps = u"EditType=CountBox;Default=0.0;Step=0.01;DecPlaces=2";
constexpr InputEntry kKernel3{ptNumber, u"kernel 3x3", kKernelProps};
constexpr InputEntry kKernel5{ptNumber, u"kernel 5x5", kKernelProps};
constexpr std::u16string_view kMorphProps = u"EditType=CountBox;Max=1;Min=-1;Default=-1;Step=1;DecPlaces=0";
constexpr std::u16string_view kColorProps = u"EditType=CountBox;Max=1;Min=0;Default=0;Step=1;DecPlaces=0";
constexpr InputEntry kMorphElement3{ptNumber, u"structure element 3x3", kMorphProps};
constexpr InputEntry kMorphElement5{ptNumber, u"structure element 5x5", kMorphProps};
constexpr InputEntry kColorElement3{ptNumber, u"structure element 3x3", kColorProps};
constexpr InputEntry kColorElement5{ptNumber, u"structure element 5x5", kColorProps};

constexpr InputEntry kBasicInputs[] = {kFrame, kIntensity, kSensitivity, kBrightness, kContrast,      kRed,
                                       kGreen, kBlue,      kSaturation,  kNegative,   kApproximations};
constexpr InputEntry kAreaInputs[] = {kFrame, kSensitivity, kLevel, kThreshold, kArea, kRed, kGreen, kBlue, kNegative};
constexpr InputEntry kKernel3Inputs[] = {kFrame, kIntensity,  kBrightness, kContrast,       kRed,    kGreen,
                                         kBlue,  kSaturation, kNegative,   kApproximations, kKernel3};
constexpr InputEntry kKernel5Inputs[] = {kFrame, kIntensity,  kBrightness, kContrast,       kRed,    kGreen,
                                         kBlue,  kSaturation, kNegative,   kApproximations, kKernel5};
constexpr InputEntry kMorphInputs[] = {kFrame, kThreshold, kNegative, kApproximations};
constexpr InputEntry kMorph3Inputs[] = {kFrame, kThreshold, kNegative, kApproximations, kMorphElement3};
constexpr InputEntry kMorph5Inputs[] = {kFrame, kThreshold, kNegative, kApproximations, kMorphElement5};
constexpr InputEntry kColorInputs[] = {kFrame, kIntensity, kBrightness, kContrast, kRed,
                                       kGreen, kBlue,      kSaturation, kNegative, kApproximations};
constexpr InputEntry kColor3Inputs[] = {kFrame, kIntensity,  kBrightness, kContrast,       kRed,          kGreen,
                                        kBlue,  kSaturation, kNegative,   kApproximations, kColorElement3};
constexpr InputEntry kColor5Inputs[] = {kFrame, kIntensity,  kBrightness, kContrast,       kRed,          kGreen,
                                        kBlue,  kSaturation, kNegative,   kApproximations, kColorElement5};

// ---- Default arrays -----------------------------------------------------------

constexpr float kIdentity3[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
constexpr float kIdentity5[25] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr float kFull3[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr float kRound5[25] = {0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 0};

// ---- Block layouts (field, input, offset, default) ----------------------------

using K = FieldKind;

constexpr Field kBasicFields[] = {
    {1, K::kFloat, 280, 1.0}, {2, K::kFloat, 284, 0.1}, {3, K::kFloat, 288, 0.0}, {4, K::kFloat, 292, 1.0},
    {5, K::kFloat, 296, 0.0}, {6, K::kFloat, 300, 0.0}, {7, K::kFloat, 304, 0.0}, {8, K::kFloat, 308, 1.0},
    {9, K::kByte, 312, 0},    {10, K::kInt32, 313, 1},
};
constexpr Field kAreaFields[] = {
    {1, K::kFloat, 280, 0.1}, {2, K::kInt32, 284, 0}, {3, K::kFloat, 288, 0.5}, {4, K::kInt32, 292, 20},
    {5, K::kFloat, 296, 0.0}, {6, K::kFloat, 300, 0}, {7, K::kFloat, 304, 0.0}, {8, K::kByte, 308, 0},
};

// The colour head shared by the user kernels and the colour morphology.
#define WOSTRA_COLOR_HEAD                                                                                    \
  {1, K::kFloat, 280, 1.0}, {2, K::kFloat, 284, 0.0}, {3, K::kFloat, 288, 1.0}, {4, K::kFloat, 292, 0.0},    \
      {5, K::kFloat, 296, 0.0}, {6, K::kFloat, 300, 0.0}, {7, K::kFloat, 304, 1.0}, {8, K::kByte, 308, 0}, { \
    9, K::kInt32, 309, 1                                                                                     \
  }

constexpr Field kKernel3Fields[] = {WOSTRA_COLOR_HEAD, {10, K::kArray, 313, 0, kIdentity3}};
constexpr Field kKernel5Fields[] = {WOSTRA_COLOR_HEAD, {10, K::kArray, 313, 0, kIdentity5}};
constexpr Field kColorFields[] = {WOSTRA_COLOR_HEAD};
constexpr Field kColor3Fields[] = {WOSTRA_COLOR_HEAD, {10, K::kArray, 313, 0, kFull3}};
constexpr Field kColor5Fields[] = {WOSTRA_COLOR_HEAD, {10, K::kArray, 313, 0, kRound5}};
#undef WOSTRA_COLOR_HEAD

constexpr Field kMorphFields[] = {{1, K::kFloat, 280, 0.5}, {2, K::kByte, 284, 0}, {3, K::kInt32, 285, 1}};
constexpr Field kMorph3Fields[] = {
    {1, K::kFloat, 280, 0.5}, {2, K::kByte, 284, 0}, {3, K::kInt32, 285, 1}, {4, K::kArray, 289, 0, kFull3}};
constexpr Field kMorph5Fields[] = {
    {1, K::kFloat, 280, 0.5}, {2, K::kByte, 284, 0}, {3, K::kInt32, 285, 1}, {4, K::kArray, 289, 0, kRound5}};

constexpr Group kGroups[] = {
    {u"Basic filters", 902, u"GPU_basic", 317, 0, 17, kBasicInputs, kBasicFields},
    {u"Image area filters", 904, u"GPU_area", 309, 18, 18, kAreaInputs, kAreaFields},
    {u"User kernel 3x3 filters", 906, u"GPU_k3x3", 349, 19, 19, kKernel3Inputs, kKernel3Fields},
    {u"User kernel 5x5 filters", 908, u"GPU_k5x5", 413, 20, 20, kKernel5Inputs, kKernel5Fields},
    {u"Morphologic filters", 910, u"GPU_morph", 289, 21, 35, kMorphInputs, kMorphFields},
    {u"User morphologic 3x3 filters", 912, u"GPU_morph3x3", 325, 36, 38, kMorph3Inputs, kMorph3Fields},
    {u"User morphologic 5x5 filters", 914, u"GPU_morph5x5", 389, 39, 41, kMorph5Inputs, kMorph5Fields},
    {u"Color morphologic filters", 916, u"GPU_cmorph", 313, 42, 45, kColorInputs, kColorFields},
    {u"User color morphologic 3x3 filters", 918, u"GPU_cmorph3x3", 349, 46, 49, kColor3Inputs, kColor3Fields},
    {u"User color morphologic 5x5 filters", 920, u"GPU_cmorph5x5", 413, 50, 53, kColor5Inputs, kColor5Fields},
};

// Every field lies inside its block, and the last one ends it.
constexpr bool LayoutsFit() {
  for (const Group& g : kGroups) {
    int end = 280;
    for (const Field& f : g.fields) {
      if (f.offset != end || f.input <= 0 || static_cast<size_t>(f.input) >= g.inputs.size()) return false;
      end += f.kind == K::kByte ? 1 : f.kind == K::kArray ? 4 * static_cast<int>(f.fallbackArray.size()) : 4;
    }
    if (end != g.size) return false;
  }
  return true;
}
static_assert(LayoutsFit());

constexpr const Group& GroupFor(unsigned method) {
  for (const Group& g : kGroups) {
    if (method >= g.first && method <= g.last) return g;
  }
  return kGroups[0];
}

// ---- Methods ------------------------------------------------------------------

constexpr OutputEntry kOutputs[] = {{ptFrame, kOutputName}};

constexpr MethodEntry M(unsigned index, std::u16string_view id, std::u16string_view description) {
  return {id, description, 1000 + static_cast<int>(index), 0, 0, GroupFor(index).inputs, kOutputs};
}

constexpr MethodEntry kMethods[] = {
    M(0, u"no_filter", u"Základní zpracování obrazu s možnostmi změny jasu, kontrastu a barevné sytosti"),
    M(1, u"gaussian_1", u"Rozostření Gaussových kernelem o velikosti 3x3 obrazových bodů"),
    M(2, u"gaussian_2", u"Rozostření Gaussových kernelem o velikosti 5x5 obrazových bodů"),
    M(3, u"mean_1", u"Rozostření průměrem hodnot pole 3x3 obrazových bodů"),
    M(4, u"mean_2", u"Rozostření průměrem hodnot pole 5x5 obrazových bodů"),
    M(5, u"laplacian_1", u"Zdůraznění hran všesměrovým Laplaceovým kernelem"),
    M(6, u"laplacian_2", u"Zdůraznění hran dvousměrným Laplaceovým kernelem"),
    M(7, u"laplacian_3", u"Zdůraznění hran jednosměrným Laplaceovým kernelem"),
    M(8, u"emboss", u"Zdůraznění reliéfu"),
    M(9, u"sharpness", u"Zostření"),
    M(10, u"denoise", u"Omezení šumu"),
    M(11, u"adaptive_denoise", u"Omezení šumu bez změkčení hran"),
    M(12, u"anisotropic_denoise",
      u"Anisotropické omezení šumu se zachování kontrastů na hranách. Pro potřebný efekt je nutno opakovat v několika "
      u"aproximacích"),
    M(13, u"edge_1",
      u"Detekce hran řídící se průchodem nulou konvoluce Laplaceova kernelu aplikovaného na Gaussovo rozostření"),
    M(14, u"edge_2", u"Detekce hran podle gradientu jasu"),
    M(15, u"salt_and_pepper", u"Odstranění zrn typu sůl a pepř v černobílem obraze"),
    M(16, u"motion_detection", u"Detekce pohybu"),
    M(17, u"demosaic_artifacts", u"Potlačení barevných artefaktů po interpolaci Bayerovy masky"),
    M(18, u"grayscale",
      u"Převod do černobílého obrazu s použitím fyziologických koeficientů nebo převod po požadované škály jasů nebo "
      u"lokální prahování podle jasu okolí každého obrazového bodu"),
    M(19, u"user_kernel_3x3", u"Konvoluce s uživatelsky zadaným kernelem velikosti 3x3"),
    M(20, u"user_kernel_5x5", u"Konvoluce s uživatelsky zadaným kernelem velikosti 5x5"),
    M(21, u"dilation_8", u"Binármí morfologická dilatace s osmisměrným strukturním elementem"),
    M(22, u"erosion_8", u"Binármí morfologická eroze s osmisměrným strukturním elementem"),
    M(23, u"opening_8", u"Binármí morfologické otevření s osmisměrným strukturním elementem"),
    M(24, u"closing_8", u"Binármí morfologické uzavření s osmisměrným strukturním elementem"),
    M(25, u"dilation_4", u"Binármí morfologická dilatace s čtyřsměrným strukturním elementem"),
    M(26, u"erosion_4", u"Binármí morfologická eroze s čtyřsměrným strukturním elementem"),
    M(27, u"opening_4", u"Binármí morfologické otevření s čtyřsměrným strukturním elementem"),
    M(28, u"closing_4", u"Binármí morfologické uzavření s čtyřsměrným strukturním elementem"),
    M(29, u"thinning_L",
      u"Binármí morfologické ztenčení strukturním písmenem L Golayovy abecedy. Využitelné např. pro skeletonizaci "
      u"obrazu"),
    M(30, u"thinning_E",
      u"Binármí morfologické ztenčení strukturním písmenem E Golayovy abecedy. Využitelné např. pro odstraňování "
      u"volných konců skeletonů"),
    M(31, u"thickening_CH", u"Binármí morfologické rozšíření pro obalování objektů (convex hull)"),
    M(32, u"thickening_SKIZ_A",
      u"Binármí morfologické rozšíření metodou koster kolem oblastí vlivu (skeleton by zone of influence). "
      u"Využitelné pro segmentaci obrazu"),
    M(33, u"thickening_SKIZ_B", u"Binármí morfologické rozšíření pro redukci volných konců koster kolem oblastí vlivu"),
    M(34, u"morphologic_inner_edge", u"Binármí morfologická detekce vnitřního obrysu"),
    M(35, u"morphologic_outer_edge", u"Binármí morfologická detekce vnějšího obrysu"),
    M(36, u"user_dilation_3x3",
      u"Binármí morfologická dilatace s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(37, u"user_erosion_3x3",
      u"Binármí morfologická eroze s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(38, u"user_hit_and_miss_3x3",
      u"Binármí morfologická hit and miss transformace s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    // Says 3x3 for the 5x5 element: kept as the host has always shown it.
    M(39, u"user_dilation_5x5",
      u"Binármí morfologická dilatace s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(40, u"user_erosion_5x5",
      u"Binármí morfologická eroze s uživatelsky definovaným strukturním elementem velikosti 5x5"),
    M(41, u"user_hit_and_miss_5x5",
      u"Binármí morfologická hit and miss transformace s uživatelsky definovaným strukturním elementem velikosti 5x5"),
    M(42, u"color_dilation", u"Barevná morfologická dilatace"),
    M(43, u"color_erosion", u"Barevná morfologická eroze"),
    M(44, u"color_median", u"Mediánový morfologický filtr"),
    M(45, u"color_extreme", u"Morfologický filtr barevných extrémů"),
    M(46, u"user_color_dilation_3x3",
      u"Barevná morfologická dilatace s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(47, u"user_color_erosion_3x3",
      u"Barevná morfologická eroze s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(48, u"user_color_median_3x3",
      u"Mediánový morfologický filtr s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(49, u"user_color_extreme_3x3",
      u"Morfologický filtr barevných extrémů s uživatelsky definovaným strukturním elementem velikosti 3x3"),
    M(50, u"user_color_dilation_5x5",
      u"Barevná morfologická dilatace s uživatelsky definovaným strukturním elementem velikosti 5x5"),
    M(51, u"user_color_erosion_5x5",
      u"Barevná morfologická eroze s uživatelsky definovaným strukturním elementem velikosti 5x5"),
    M(52, u"user_color_median_5x5",
      u"Mediánový morfologický filtr s uživatelsky definovaným strukturním elementem velikosti 5x5"),
    M(53, u"user_color_extreme_5x5",
      u"Morfologický filtr barevných extrémů s uživatelsky definovaným strukturním elementem velikosti 5x5"),
};
static_assert(std::size(kMethods) == kMethodCount);

// The resource set of the icons: only the tables' icon numbers are read.
constexpr CategoryEntry kIconCategories[] = {
    {kRoot, kCategoryId, kRootIcon},
    {kGroups[0].category, kCategoryId, kGroups[0].icon},
    {kGroups[1].category, kCategoryId, kGroups[1].icon},
    {kGroups[2].category, kCategoryId, kGroups[2].icon},
    {kGroups[3].category, kCategoryId, kGroups[3].icon},
    {kGroups[4].category, kCategoryId, kGroups[4].icon},
    {kGroups[5].category, kCategoryId, kGroups[5].icon},
    {kGroups[6].category, kCategoryId, kGroups[6].icon},
    {kGroups[7].category, kCategoryId, kGroups[7].icon},
    {kGroups[8].category, kCategoryId, kGroups[8].icon},
    {kGroups[9].category, kCategoryId, kGroups[9].icon},
};
HostIcon g_unusedMethodIcons[kMethodCount];
HostIcon g_unusedCategoryIcons[std::size(kIconCategories)];
constexpr frame::Catalogue kIconCatalogue(kMethods, kIconCategories, {}, g_unusedMethodIcons, g_unusedCategoryIcons);

}  // namespace

std::span<const Group> Groups() { return kGroups; }

int GroupIndexOf(unsigned method) {
  for (size_t i = 0; i < std::size(kGroups); ++i) {
    if (method >= kGroups[i].first && method <= kGroups[i].last) return static_cast<int>(i);
  }
  return -1;
}

const Group* GroupOf(unsigned method) {
  const int i = GroupIndexOf(method);
  return i < 0 ? nullptr : &kGroups[i];
}

std::span<const frame::MethodEntry> Methods() { return kMethods; }

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kIconCatalogue>::kTable; }

}  // namespace wostra
