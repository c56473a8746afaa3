// Binary morphology on 8-, 24- and 32-bit frames into 0/255 8-bit frames,
// and the skeleton engines. A pixel is dark when its value (colour: B + G + R
// against 3t) lies below the threshold; neighbourhoods are the 3 x 3 block
// clipped to the frame.
#pragma once

#include <cstddef>

#include "talvix.h"

namespace jorvel {

// 255 where every pixel of the clipped neighbourhood is above t, else 0.
// False (nothing written) for a depth other than 8, 24 or 32.
bool MorphDilate(Frame* in, Frame* out, int depth, int width, int t);
// 0 where every pixel of the clipped neighbourhood is below t, else 255.
bool MorphErode(Frame* in, Frame* out, int depth, int width, int t);

// Skeleton work frames: (width + 2) x (depth + 2) 8-bit planes with a 255
// border; interior pixel (r + 1, x + 1) stands for input pixel (r, x).
struct ThinPlane {
  unsigned char* data;
  ptrdiff_t stride;
  int depth, width;  // of the input: the interior
  unsigned char* at(int r, int x) const { return data + r * stride + x; }
};

// Object-to-background steps around (r, x) in the ring NW, N, NE, E, SE, S,
// SW, W and back to NW.
int CountCrossings(const ThinPlane& f, int r, int x, int t);
// The thinning plane's interior from the binary plane: isolated pixels, line
// ends and pixels whose object neighbours touch become background.
void PruneEndPoints(const ThinPlane& binary, const ThinPlane& thin, int t);
// Thinning iterations (at most maxIterations, 0 for no limit), the staircase
// pass and the copy of the interior into the 8-bit output frame.
void ThinIterate(const ThinPlane& thin, Frame* out, int maxIterations);

}  // namespace jorvel
