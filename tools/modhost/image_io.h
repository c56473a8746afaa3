// Image files <-> host frames. Files are top-down, frames bottom-up (memory
// row 0 is the bottom line of the picture), so rows are flipped both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "talvix/host.hpp"

namespace modhost {

// Reads a PNG, JPEG, BMP or PGM/PPM file. bpp 0 takes the depth from the
// picture (grey: 8, colour: 32); 8, 24 or 32 forces one. 32-bit frames get
// alpha 255. Empty with *error set when the file cannot be read.
talvix::FrameBuffer ReadImage(const std::string& path, int bpp, std::string* error);

// For an uncompressed BMP or a binary PGM/PPM whose first bytes are `head`:
// the reason when the file of `fileSize` bytes is shorter than the pixel data
// its header declares; empty when it holds them or the format is another.
std::string TruncationProblem(const uint8_t* head, size_t headLen, uintmax_t fileSize);

// The most pixels a picture read may claim (16384 x 16384, a frame of 1 GiB at
// 32 bits): far above any camera's picture, and the decoder allocates by the
// header's claim before it reads a pixel.
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 28;

// Why a picture whose header claims w x d pixels is not read; empty when
// it may be.
std::string PixelCountProblem(int64_t w, int64_t d);

// Why a picture of w x d pixels with `channels` bytes each cannot be written
// as a PNG (the encoder counts its bytes in an int); empty when it can.
std::string PngSizeProblem(int64_t w, int64_t d, int channels);

// Writes an 8-bit frame as a grey PNG, a 24-bit one as RGB, a 32-bit one as
// RGBA: opaque as the host shows it, or with its own alpha when keepAlpha.
// Empty on success, else the reason.
std::string WritePng(const talvix::FrameBuffer& frame, const std::string& path, bool keepAlpha = false);

}  // namespace modhost
