// Convolution engines: a two-dimensional kernel, one-dimensional passes over
// frames and over float planes, and the suppression that turns two gradient
// planes into an edge frame. Rows are split statically over the OpenMP
// threads; each thread writes only its own destination rows.
//
// Tap geometry: kernel column c reads column x - halfW + c, kernel row r
// reads stored row y + halfH - r. Taps outside the frame are skipped and
// leave the weight sum. Sums are single precision, formed tap after tap in
// kernel order; results become bytes by truncation.
#pragma once

#include "talvix.h"

namespace jorvel {

// 8, 24 or 32 bpp (by the source); other depths do nothing. Results are held
// to 0..255; with `normalise` each sum is divided by its weight sum (when not
// 0). Alpha is copied from the source.
void ConvolveKernel(Frame* src, const float* kernel, int kh, int kw, Frame* dst, int depth, int width,
                    bool normalise);

// One-dimensional passes along rows and along columns, always divided by
// the weight sum, stored as the low eight bits. 8, 24 and 32 bpp, colour
// channels each on their own; other depths do nothing.
void ConvolveRows(Frame* src, const float* kernel, int n, Frame* dst, int depth, int width);
void ConvolveColumns(Frame* src, const float* kernel, int n, Frame* dst, int depth, int width);

// plane[y * width + x] = the grey value, or (B + G + R) / 3 for colour.
void FrameToFloat(Frame* f, float* plane, int depth, int width);

// One-dimensional passes over float planes, without division.
void ConvolveRowsFloat(const float* src, const float* kernel, int n, float* dst, int depth, int width);
void ConvolveColumnsFloat(const float* src, const float* kernel, int n, float* dst, int depth, int width);

// 255 where the gradient magnitude is a strict local maximum across the edge
// and 20 times it is above t, else 0; the outermost rows and columns are 0.
// `magnitude` is a plane of width * depth floats the engine may overwrite.
void SuppressNonMaxima(const float* gx, const float* gy, Frame* dst, int depth, int width, int t, float* magnitude);

}  // namespace jorvel
