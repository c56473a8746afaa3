// ECC 200 data decodation: the data codewords of a corrected symbol to text,
// through the six encodations, starting in ASCII.
#pragma once

#include <cstdint>
#include <string>

namespace dunsel {

// Appends the text of count data codewords to text (characters 0 to 255).
void DecodeDataCodewords(const uint8_t* codewords, int count, std::u16string& text);

}  // namespace dunsel
