// Image statistics shared by the recognisers, the pattern search and the
// measurements: an automatic threshold of a region, the intensity of one
// pixel, a histogram-counting scan callback and statistics of one row of an
// integer matrix. No state; only the threshold of a plain-looking region
// lists the few pixels that stand clear of its ground.
//
// Integer matrix: 32-bit integers row after row, rowLength per row; row r
// begins at element r * rowLength. A colour matrix holds three channel rows
// per row r: channel c of row r is matrix row 3 * r + c.
#pragma once

#include <cstdint>

#include "talvix_types.h"

namespace frame {

// Threshold 1..255 of the region (null: the whole frame) by Otsu's method on
// the host's mode-1 values: the last grey value of the lower class. 0 when the
// region is empty, when more than 98 % of its pixels lie within 15 adjacent
// values (uniform) and the pixels well clear of them form no strokes (sparse
// ink on a plain ground; scattered pixels and dust specks are none), or when
// no split gives a positive variance.
int AutoThreshold(const Frame* frame, const TRectangularRegion* region);

// 8 bpp: the byte at (x, y); 32 bpp: (R + G + B) / 3. 0 outside the frame or
// for other depths.
unsigned GetPixelIntensity(const Frame* frame, int x, int y);

// Scan callback: counts `value` in the 256 unsigned counters at `histogram`
// (values above 255 are not counted) and goes on.
bool CountHistogramBin(void* histogram, int x, int y, unsigned value);

// Counts a row of 8-bit values into four interleaved sets of 256 bins,
// part[k][value]: runs of equal values then do not wait on the previous
// increment of one counter. The caller adds the four sets up.
template <class Bins>
inline void CountRow8(const uint8_t* row, int width, Bins& part) {
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    ++part[0][row[x]];
    ++part[1][row[x + 1]];
    ++part[2][row[x + 2]];
    ++part[3][row[x + 3]];
  }
  for (; x < width; ++x) ++part[0][row[x]];
}

// Sum of the row with unsigned 32-bit wrap-around; 0 for an empty row.
uint32_t RowSum(const int32_t* matrix, int rowLength, int row);

// RowSum as a float divided by rowLength; 0 for an empty row.
float RowMean(const int32_t* matrix, int rowLength, int row);

// Writes the truncated RowMean m to *mean and answers sqrt(s / (rowLength - 1)),
// s the 32-bit wrapping sum of (element - m)^2. 0 for an empty row (mean not
// written); a row of one element gives 0 / 0, not a number.
float RowStdDev(const int32_t* matrix, int rowLength, int row, int* mean);

// RowStdDev of channel row 3 * row + channel of a colour matrix.
float ColorRowStdDev(const int32_t* matrix, int rowLength, int row, int channel, int* mean);

// Writes RowMean to *mean and answers sqrt(acc / (rowLength - 1)), acc summing
// the squared deviations in an integer truncated after every addition. 0 for
// an empty row (mean not written); one element gives not a number.
float RowMeanAndStdDev(const int32_t* matrix, int rowLength, int row, float* mean);

// Position of the last element of the row equal to value, -1 when none;
// *count receives the number of equal elements.
int FindLastInRow(const int32_t* matrix, int rowLength, int row, int value, int* count);

}  // namespace frame
