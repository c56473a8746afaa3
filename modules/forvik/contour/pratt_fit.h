// The algebraic circle fit of the threshold circle detector.
#pragma once

#include "contour/geometry.h"

namespace forvik {

// Pratt's algebraic fit of a circle to the points 0..lastIndex, with the
// acceptance rules of the detector: the centre no further than R/2 from the
// points' mean on either axis, and an RMS radial error below tolerance R/26.
// On success `out` gets centre, radius and quality (score 0).
bool FitThresholdCircle(const float* xs, const float* ys, int lastIndex, float tolerance, CircleCandidate* out);

}  // namespace forvik
