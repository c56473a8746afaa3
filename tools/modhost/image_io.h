// Image files <-> host frames. Files are top-down, frames bottom-up (memory
// row 0 is the bottom line of the picture), so rows are flipped both ways.
#pragma once

#include <string>

#include "talvix/host.hpp"

namespace modhost {

// Reads a PNG, JPEG, BMP or PGM/PPM file. bpp 0 takes the depth from the
// picture (grey: 8, colour: 32); 8, 24 or 32 forces one. 32-bit frames get
// alpha 255. Empty with *error set when the file cannot be read.
talvix::FrameBuffer ReadImage(const std::string& path, int bpp, std::string* error);

// Writes an 8-bit frame as a grey PNG, a 24-bit one as RGB, a 32-bit one as RGBA.
bool WritePng(const talvix::FrameBuffer& frame, const std::string& path);

}  // namespace modhost
