// Sub-pixel scans of pixel values along a line. Every module that carries the
// frame exports them, and scan-line readers take their profiles from them.
#pragma once

#include "module_api.h"
#include "talvix_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Called for each sample with its position in pixels and its value; false
// stops the scan.
typedef bool (*SubPixelCallback)(void* user, float x, float y, unsigned value);

// Highest number of fraction bits the scans accept: up to it every weighted
// sum fits the 64-bit accumulators. Outside 0..24 nothing is scanned.
enum { kMaxSubPixelPrecisionBits = 24 };

// Walks `line` from (x0, y0) towards (x1, y1) in round(length) equal steps (the
// end point is not sampled), with positions in fixed point of `precisionBits`
// fraction bits. Samples in the frame's interior and in `region` (null: the
// whole frame) are interpolated bilinearly; samples on the frame's outer
// pixels are handed over raw at integer positions, in the region or not.
// `mode` picks the value: 0 packed (8 bpp: grey * 65793), 1 grey
// ((R + G + B) / 3), 2 R, 3 G, 4 B; 32-bit frames scan nothing in other
// modes. Frames other than 8 and 32 bpp are not scanned.
MODULE_API void ScanLineSubPixelPrecision(const Frame* frame, const TRectangularRegion* region, const TLine* line,
                                          int mode, void* user, int precisionBits, SubPixelCallback callback);

// The same, with each of the four pixels around a sample first sharpened by
// 12 * centre - (8 neighbours); a channel is floored at 0 and can reach 765.
// The interior band is one pixel narrower on the right and at the top.
MODULE_API void ScanLineSubPixelPrecisionWithSharpening(const Frame* frame, const TRectangularRegion* region,
                                                        const TLine* line, int mode, void* user, int precisionBits,
                                                        SubPixelCallback callback);

#ifdef __cplusplus
}  // extern "C"
#endif
