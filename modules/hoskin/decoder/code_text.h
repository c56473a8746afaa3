// The result text of a decoded symbol, and the symbology's final checks.
#pragma once

#include <cstdint>

#include "talvix_types.h"

namespace hoskin {

struct SymbolRecord;

// Writes the text of `count` symbols of the given type into *text (emptied
// first) and answers whether it passes the check digit, parity or check
// symbol; a rejected text is left empty. startSet: Code 128's start (1 A,
// 2 B, 3 C); parity: the EAN parity bytes (1 odd).
bool BuildCodeText(int type, HostString* text, int startSet, int count, const uint8_t* parity,
                   const SymbolRecord* symbols);

// The same from the symbol values alone.
bool BuildCodeTextFromValues(int type, HostString* text, int startSet, int count, const uint8_t* parity,
                             const int* values);

}  // namespace hoskin
