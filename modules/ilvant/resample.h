// The resampling core of oversample and resize.
#pragma once

#include <cstdint>

namespace ilvant {

enum ResampleMode : int { kNearest = 0, kBilinear = 1, kBicubic = 2 };

// Fills the target pixel area (tw x td, rows with DIB strides) from the source
// (sw x sd) at the same bits per pixel. Only 8- and 32-bit frames are
// resampled; other depths leave the target as it is.
void ResampleFrame(int sw, int sd, int bpp, int tw, int td, const uint8_t* src, uint8_t* dst, int mode);

}  // namespace ilvant
