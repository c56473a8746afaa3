// Sets of plate characters as bit masks, spelt as the characters themselves,
// and the penalty row of one box.
#pragma once

#include <cstdint>
#include <string_view>

#include "plate/char_box.h"

namespace kelmar::plate {

using Mask = uint64_t;

constexpr int ClassOf(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'Z') return 10 + (c - u'A');
  if (c == u'Ä') return 36;
  if (c == u'Ö') return 37;
  if (c == u'Ü') return 38;
  return -1;
}

inline constexpr Mask kAllClasses = (Mask{1} << kPlateClasses) - 1;

// Characters separated by spaces; anything else fails to compile.
consteval Mask Set(std::u16string_view s) {
  Mask m = 0;
  for (char16_t c : s) {
    if (c == u' ') continue;
    if (ClassOf(c) < 0) throw "not a plate character";
    m |= Mask{1} << ClassOf(c);
  }
  return m;
}

consteval Mask Except(std::u16string_view s) { return kAllClasses & ~Set(s); }

consteval int Cls(char16_t c) {
  if (ClassOf(c) < 0) throw "not a plate character";
  return ClassOf(c);
}

// One box's row of penalty counts.
struct Scores {
  int32_t* row;

  void add(Mask m, int points = 1) const {
    for (int c = 0; c < kPlateClasses; ++c)
      if (m >> c & 1) row[c] += points;
  }
  int32_t operator[](int c) const { return row[c]; }
  int32_t& operator[](int c) { return row[c]; }
  // Every character with more than v points, but those in `keep`.
  void addAbove(int v, Mask keep) const {
    for (int c = 0; c < kPlateClasses; ++c)
      if (!(keep >> c & 1) && row[c] > v) ++row[c];
  }
};

// The lowest count of a row that some character holds, trying 0, 1, 2, ...
// in turn, and how many characters hold it.
struct Lowest {
  int value;
  int count;
};
Lowest FindLowest(const int32_t* row);

// The character of a read row: the only one with the fewest points (*unique
// set), else "0" when both "0" and "O" lie within a point of the fewest, else
// kUnreadable.
int DecideCharacter(const int32_t* row, bool* unique);

}  // namespace kelmar::plate
