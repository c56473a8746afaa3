// The scan lines of a region that can reach the frame, so that the work of a
// scan is bounded by the frame and not by the region or the line count.
#pragma once

#include "talvix.h"

namespace frame {

// Lines first..last (empty when last < first) of `count` parallel lines.
struct ScanSpan {
  int count = 0;
  int first = 0;
  int last = -1;
};

// The family of `count` parallel scan lines across `region` (the frame when
// null): angle-0 lines numbered along the region's height, or with `columns`
// the grid's columns numbered along its width (as the host's scan points
// number them). The count is first bounded by `perPixel` lines to a pixel of
// the region's extent, since denser lines only repeat rows; then only the lines
// within two pixels of the frame are kept. Empty when the host would refuse the
// region.
ScanSpan ScanSpanInFrame(const Frame* f, const TRectangularRegion* region, int count, bool columns = false,
                         double perPixel = 1);

}  // namespace frame
