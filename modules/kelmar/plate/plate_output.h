// What the run does with an accepted plate: the plate image's speck pass and
// the text in order of the boxes' x.
#pragma once

#include <string>
#include <vector>

#include "plate/char_box.h"
#include "talvix_types.h"

namespace kelmar::plate {

// Marks light specks of the 8-bit plate image with 80: every 3 x 3 block
// whose border pixels are 0 or 255, each 255 one closed off outwards by 0,
// has its 255 pixels set to 80. The tests read the image as it stood before
// the pass, so the result does not depend on the OpenMP thread count.
// Images under 8 columns or 7 rows are left alone.
void MarkPlateSpecks(Frame* plate);

// Sine and cosine of the plate angle and of the slant, both in degrees.
PlateAngles AnglesOf(float angle, float slant);

// Whether every character box of the plate image reads as a character: the
// run's speck pass and reading on copies of the image and the boxes.
// `image` is an 8-bit frame (header and pixels); the boxes' corners are in
// frame coordinates, the image's first column and row x0, y0.
bool ReadsWhole(const std::vector<uint8_t>& image, int x0, int y0, const PlateAngles& angles,
                std::vector<PlateCharacterBox> boxes);

// The boxes' characters by increasing x (the first box on ties), each taken
// box's x set to 9999; stops when no box below 9999 is left.
std::u16string TextInOrderOfX(PlateCharacterBox* boxes, int count);

}  // namespace kelmar::plate
