// Per-row loops of the colour conversions and splits, specialised by pixel
// size so that they run as SIMD.
#pragma once

#include <cstdint>

namespace ilvant::rows {

// Grey of each pixel of B, G, R(, A) bytes, `bytes` 3 or 4.
void Luma(const uint8_t* s, int bytes, uint8_t* d, int width);     // (77 R + 150 G + 29 B) >> 8
void Average(const uint8_t* s, int bytes, uint8_t* d, int width);  // (R + G + B) / 3

// The R, G and B planes of a row of 3- or 4-byte pixels.
void SplitRgb(const uint8_t* s, int bytes, uint8_t* r, uint8_t* g, uint8_t* b, int width);
// The alpha bytes of a row of 4-byte pixels.
void Alpha(const uint8_t* s, uint8_t* a, int width);

}  // namespace ilvant::rows
