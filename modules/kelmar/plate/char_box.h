// The character boxes of an accepted plate and the reader's entry point.
#pragma once

#include <cstdint>

#include "talvix_types.h"

namespace kelmar::plate {

// The 39 characters a plate can hold, then "?" for a box that reads as none.
inline constexpr char16_t kPlateAlphabet[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜ?";
inline constexpr int kPlateClasses = 39;
inline constexpr int kUnreadable = 39;

struct PlateCharacterBox {
  float x = 0;       // corner at the smallest plate and slant coordinates
  float y = 0;
  float width = 0;   // along the plate, whole pixels
  float height = 0;  // along the slant, whole pixels
  char16_t text = 0;
  uint8_t readOnce = 0;
  uint8_t heightRaised = 0;
};

// Direction along the plate (cos p, sin p) and the characters' upright
// direction (-sin s, cos s).
struct PlateAngles {
  float sinPlate = 0, cosPlate = 1;
  float sinSlant = 0, cosSlant = 1;
};

// Reads every box from the 8-bit plate image (ground 255, strokes dark).
// The corners arrive in frame coordinates and leave in plate-image
// coordinates (less firstColumn, firstRow). `scores` holds count rows of
// kPlateClasses penalty counts, all 0 on entry; the fewest points win.
void ReadPlateCharacters(const Frame* plate, int firstColumn, int firstRow, const PlateAngles& angles,
                         PlateCharacterBox* boxes, int count, int32_t* scores);

}  // namespace kelmar::plate
