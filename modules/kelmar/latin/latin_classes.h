// The 127 character classes of the Latin reader and the constant tables that
// hang on them: the class characters, the character-set selections and the
// line-statistics group of each class.
//
// Classes: 0-9 digits, 10-35 capitals, 36-41 umlauts, 42-68 small letters
// (42 and 43 are the two shapes of "a"), 69-97 accented letters read as one
// box with their mark (86 and 87 the two shapes of "á"), 98-126 the same 29
// accented letters whose mark is a box of its own. 127 is "?".
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kelmar::latin {

inline constexpr int kClassCount = 127;
inline constexpr int kUnknownClass = 127;
inline constexpr int kFirstUmlaut = 36, kLastUmlaut = 41;
inline constexpr int kFirstWholeAccent = 69;
inline constexpr int kFirstMarkClass = 98, kMarkClassCount = 29;
inline constexpr int kFirstCaron = 98, kLastCaron = 111;
inline constexpr int kFirstAcute = 112, kLastAcute = 124;
inline constexpr int kRingCapital = 125, kRingSmall = 126;
// Votes that take a class out of the race.
inline constexpr int kExcluded = 50;

// The character of every class, then "?".
inline constexpr std::u16string_view kClassCharacters =
    u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜäöüaabcdefghijklmnopqrstuvwxyz"
    u"ĚěĎŤŠšČčŇňŘřŽžÝýÁááÍíÉéÓóÚúŮů"
    u"ĚěĎŤŠšČčŇňŘřŽžÝýÁááÍíÉéÓóÚúŮů?";
static_assert(kClassCharacters.size() == kClassCount + 1);

// Highest accepted "Selection of characters"; the catalogue offers 0-7.
inline constexpr int kLastSelection = 12;

// Whether a class may be read under a selection (0..12).
using ClassSet = std::array<bool, kClassCount>;
ClassSet AllowedClasses(int selection);

// Selections under which marks above a letter are read as accents and dots.
inline bool ReadsMarks(int selection) { return selection == 0 || selection >= 8; }

// Line-statistics group of a class.
enum class MetricGroup : uint8_t { kNone, kCapital, kAccentedCapital, kSmall, kTallSmall, kDescender };
MetricGroup MetricGroupOf(int cls);

}  // namespace kelmar::latin
