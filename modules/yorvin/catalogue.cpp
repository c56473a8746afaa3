#include "catalogue.h"

#include "frame/icons.h"

namespace yorvin {
namespace {

constexpr frame::CategoryEntry kCategories[] = {{u"Transformation encoding", 16, 0}};
constexpr int kMethods0[] = {0};
constexpr frame::Placement kPlacements[] = {{0, 0, 0, kMethods0}};
constexpr frame::InputEntry kInputs[] = {{ptFrame, u"input frame"}};
constexpr frame::OutputEntry kOutputs[] = {{ptFrame, u"output frame"}};
constexpr frame::MethodEntry kMethods[] = {
    {u"gpu_fast_fourier_transform_2D", u"two-dimensional fast Fourier transform", 1002, 0, 0, kInputs, kOutputs},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

// The category has no icon.
constexpr frame::CataloguePolicy kPolicy{.gpuFlag = true, .categoriesWithoutIcon = true};

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons, kPolicy);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace yorvin
