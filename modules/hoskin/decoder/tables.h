// The symbologies' width tables and the tables of the result texts.
#pragma once

#include <cstdint>

namespace hoskin {

// EAN/UPC digits as space, bar, space, bar widths (left half as printed):
// entries 0-9 the odd-parity set, 10-19 the even-parity set (ISO/IEC 15420).
// Right-half digits share the odd set's widths.
extern const uint8_t kEanDigits[20][4];
// Parity of the six left-half digits by leading digit (1 odd, 0 even).
extern const uint8_t kEan13Parity[10][6];
// UPC-E parity of the six digits by check digit, number system 0; number
// system 1 is its inverse.
extern const uint8_t kUpcEParity[2][10][6];
// EAN-2 parity by value mod 4; EAN-5 parity by check digit.
extern const uint8_t kEan2Parity[4][2];
extern const uint8_t kEan5Parity[10][5];

// Code 39 (ISO/IEC 16388): rows in check-character order, "*" last; nine
// widths (1 narrow, 2 wide) and the character with its Full ASCII meanings
// after "$", "/", "+" and "%".
struct Code39Row {
  uint8_t widths[9];
  char16_t text[5];
};
inline constexpr int kCode39Rows = 44;
inline constexpr int kCode39Star = 43;
extern const Code39Row kCode39[kCode39Rows];

// Code 128 (ISO/IEC 15417): six widths per value 0-105; the stop pattern has seven.
extern const uint8_t kCode128[106][6];
extern const uint8_t kCode128Stop[7];

// GS1 application identifiers: first, last and identifier digit count.
struct Gs1Row {
  int first, last, digits;
};
inline constexpr int kGs1Rows = 30;
extern const Gs1Row kGs1Identifiers[kGs1Rows];
// Total length (identifier + data digits) of a predefined element string by
// the value of its first two digits; 0 for none.
int Gs1PredefinedLength(int firstTwo);

}  // namespace hoskin
