// The class behind each method index: the one place that binds the catalogue
// to the method objects.
#include <iterator>
#include <memory>

#include "catalogue.h"
#include "latin/latin_ocr.h"
#include "match.h"
#include "ocr/dir_text.h"
#include "ocr/pattern_ocr.h"
#include "pattern/pattern_match.h"
#include "plate/licence_plate.h"

namespace kelmar {
namespace {

using Factory = std::unique_ptr<CMatch> (*)();

constexpr Factory kFactories[] = {
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CPatternMatch>(kPatternMatchMonochrome); },
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CPatternMatch>(kPatternMatchColor); },
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CMatchLatinOCR>(); },
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CMatchOCR>(); },
    // The single-line variant keeps the stored index of the full reader.
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CMatchSimpleOCR>(); },
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CMatchDirText>(); },
    [] () -> std::unique_ptr<CMatch> { return std::make_unique<CMatchLicencePlate>(); },
};
static_assert(std::size(kFactories) == kMethodCount);

}  // namespace

std::unique_ptr<CMatch> CreateMethod(uint32_t index) {
  return index < std::size(kFactories) ? kFactories[index]() : nullptr;
}

}  // namespace kelmar
