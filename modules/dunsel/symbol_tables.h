// The symbology tables of the Code 128 and Code 39 readers, shared
// read-only by every reader object.
#pragma once

#include <array>

namespace dunsel {

struct Code128Symbol {
  char pattern[7];   // module widths: bar, space, bar, space, bar, space
  char16_t setA;     // character in code set A
  char16_t setB;     // character in code set B
  char16_t setC[3];  // two digits in code set C
};

// Action codes of the function characters, per code set A, B, C: 1 to 3 a
// change to set A, B or C, 4 FNC1, 5 FNC2, 6 FNC3 or FNC4; in set C the
// values 96 to 99 hold themselves.
struct Code128Function {
  char pattern[7];
  int action[3];
};

struct AiRange {
  int lowest, highest, digits;
};

struct Code128Tables {
  std::array<Code128Symbol, 96> symbols;     // values 0 to 95
  std::array<Code128Function, 7> functions;  // values 96 to 102
  std::array<AiRange, 21> aiRanges;          // searched in order
};

struct Code39Symbol {
  char pattern[11];  // nine element widths (1 narrow, 2 wide) and the gap
  char16_t character;
};

struct Code39Tables {
  // Row 0 is the start/stop character "*"; row r stands for value r - 1.
  std::array<Code39Symbol, 44> symbols;
  // Full ASCII: row c holds the two characters that stand for code c; only
  // the rows of characters Code 39 cannot show directly are filled. Rows
  // 128 to 130 ("%X", "%Y", "%Z") stand for DEL.
  std::array<std::array<char16_t, 3>, 131> fullAscii;
};

const Code128Tables& Code128();
const Code39Tables& Code39();

}  // namespace dunsel
