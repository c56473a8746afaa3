#include "catalogue.h"

#include <iterator>

#include "frame/icons.h"

namespace kelmar {

namespace {

using frame::CategoryEntry;
using frame::InputEntry;
using frame::MethodEntry;
using frame::OutputEntry;
using frame::Placement;

// In the order Init fetches and Done releases their icons.
enum Category { kPatternMatching, kReadingPlates, kOcr };

constexpr CategoryEntry kCategories[] = {
    {u"Pattern matching", 11, 1001},
    {u"Reading licence plates", 14, 1010},
    {u"OCR", 13, 1002},
};

constexpr int kPatternMethods[] = {kPatternMatchMonochrome, kPatternMatchColor};
constexpr int kOcrMethods[] = {kLatinOcr, kPatternOcr, kSimpleOcr, kTextAngle};
constexpr int kPlateMethods[] = {kLicencePlate};

// One level, one place.
constexpr Placement kPlacements[] = {
    {kPatternMatching, 0, 0, kPatternMethods},
    {kOcr, 0, 0, kOcrMethods},
    {kReadingPlates, 0, 0, kPlateMethods},
};

constexpr std::u16string_view kScanRegion = u"EditType=ScanRectRegion";
constexpr std::u16string_view kEditThreshold = u"EditType=Threshold";
constexpr std::u16string_view kDefaultTrue = u"Default=true";
constexpr std::u16string_view kDefaultFalse = u"Default=false";
constexpr std::u16string_view kSpeed = u"Min=0;Max=1;Default=0.5";

constexpr InputEntry kInputFrame{ptFrame, u"Input frame"};
constexpr InputEntry kRegion{ptRectangularRegion, u"Region", kScanRegion};

constexpr InputEntry kPatternMatchIn[] = {
    kInputFrame,
    kRegion,
    {ptFrame, u"Pattern frame"},
    {ptNumber, u"Allowed rotation", u"Min=0;Max=180;Default=0"},
    {ptNumber, u"Speed versus quality", kSpeed},
    {ptNumber, u"Minimal matching score", u"Min=0.5;Max=1;Default=0.7"},
    {ptNumber, u"Maximum number of pattern occurancies", u"Min=1;Max=50;Default=1"},
    {ptPoint, u"Offset of coordinate system origin"},
    {ptFlag, u"Show results", kDefaultTrue},
};

constexpr InputEntry kLatinIn[] = {
    kInputFrame,
    kRegion,
    {ptNumber, u"Threshold", kEditThreshold},
    {ptNumber, u"Selection of characters",
     u"Default=0;Options=0: 'All characters', 1: 'Only digits', 2: 'Only capitalized English letters', "
     u"3: 'Only capitalized English letters and digits', 4: 'Only non-capitalized English letters', "
     u"5: 'Only non-capitalized English letters and digits', 6: 'Only English letters', "
     u"7: 'Only English letters and digits'"},
    {ptFlag, u"Negative", kDefaultFalse},
    {ptFlag, u"Show results", kDefaultTrue},
};

constexpr InputEntry kPatternOcrIn[] = {
    kInputFrame,
    kRegion,
    {ptFrame, u"Pattern frame"},
    {ptString, u"Table of characters"},
    {ptNumber, u"Acceptance level", u"Min=0;Max=1;Default=0.6"},
    {ptString, u"Substitution character", u"Default='?'"},
    {ptNumber, u"Minimal size of charater", u"Default=10"},
    {ptNumber, u"Vertical spacing", u"Default=0"},
    {ptNumber, u"Horizontal spacing", u"Default=0"},
    {ptNumber, u"Speed versus quality", kSpeed},
    {ptNumber, u"Threshold", kEditThreshold},
    {ptNumber, u"Pattern threshold"},
    {ptFlag, u"Negative", kDefaultFalse},
    {ptNumber, u"Scale", u"Min=0;Max=50;Default=0"},
    {ptFlag, u"Show results", kDefaultTrue},
};

constexpr InputEntry kTextAngleIn[] = {
    kInputFrame,
    kRegion,
    {ptNumber, u"Threshold", kEditThreshold},
    {ptFlag, u"Negative", kDefaultFalse},
};

constexpr InputEntry kPlateIn[] = {kInputFrame, kRegion, {ptFlag, u"Show results", kDefaultTrue}};

constexpr OutputEntry kPatternMatchOut[] = {
    {ptNumber, u"Number of found patterns"},
    {ptCoordinateSystem, u"Output coordinate system"},
    {ptRectangle, u"Output rectangle"},
    {ptNumber, u"Matching confidence"},
};
constexpr OutputEntry kLatinOut[] = {{ptString, u"Output string"}, {ptFrame, u"Output frame"}};
constexpr OutputEntry kStringOut[] = {{ptString, u"Output string"}};
constexpr OutputEntry kTextAngleOut[] = {{ptNumber, u"Text direction angle"}};
constexpr OutputEntry kPlateOut[] = {
    {ptRectangularRegion, u"Region of plate"},
    {ptString, u"Output string"},
    {ptFrame, u"Licence plate"},
};

// No sort enumerators: sort keys and properties stay 0.
constexpr MethodEntry kMethods[] = {
    {u"pattern_match_monochrome", u"Find pattern in input image", 1003, 0, 0, kPatternMatchIn, kPatternMatchOut},
    {u"pattern_match_color", u"Find pattern in input image", 1004, 0, 0, kPatternMatchIn, kPatternMatchOut},
    {u"latin_optical_character_recognition", u"Optical latin character recognition", 1005, 0, 0, kLatinIn,
     kLatinOut},
    {u"optical_character_recognition", u"Optical character recognition according to pattern", 1006, 0, 0,
     kPatternOcrIn, kStringOut},
    {u"simple_optical_character_recognition", u"Single line OCR", 1007, 0, 0, kPatternOcrIn, kStringOut},
    {u"text_angle", u"Angle of text direction", 1008, 0, 0, kTextAngleIn, kTextAngleOut},
    {u"licence_plate", u"Licence plate locating & reading", 1009, 0, 0, kPlateIn, kPlateOut},
};

HostIcon g_methodIcons[std::size(kMethods)];
HostIcon g_categoryIcons[std::size(kCategories)];

static_assert(std::size(kMethods) == kMethodCount);
static_assert(std::size(kPatternMatchIn) == 9 && std::size(kLatinIn) == 6 && std::size(kPatternOcrIn) == 15 &&
              std::size(kTextAngleIn) == 4 && std::size(kPlateIn) == 3);

}  // namespace

constexpr frame::Catalogue kCatalogue(kMethods, kCategories, kPlacements, g_methodIcons, g_categoryIcons);
static_assert(kCatalogue.Consistent());

const ModuleResourceTable& Resources() { return frame::CatalogueResources<kCatalogue>::kTable; }

}  // namespace kelmar
