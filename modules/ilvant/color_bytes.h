// Colour bytes of a host colour, as the pixel-writing methods paint them.
#pragma once

#include <cstdint>

#include "frame_access.h"

namespace ilvant {

struct ColorBytes {
  uint8_t b, g, r, a, grey;
};

// B, G, R, A bytes and the grey, each through ColorByte (clamped, so that a
// byte never wraps).
inline ColorBytes ToBytes(const TColor& c) {
  const double sum = ClampUnit(c.R) + ClampUnit(c.G) + ClampUnit(c.B);
  return {ColorByte(c.B), ColorByte(c.G), ColorByte(c.R), ColorByte(c.A), static_cast<uint8_t>(sum * 255.0 / 3.0)};
}

}  // namespace ilvant
