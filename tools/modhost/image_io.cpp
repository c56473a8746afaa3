#include "image_io.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace modhost {
namespace {

struct StbFree {
  void operator()(unsigned char* p) const { stbi_image_free(p); }
};

// Channels of a top-down file picture to bytes of a frame row: grey as it is,
// RGB(A) to B, G, R(, A = 255).
void FileRowToFrame(const uint8_t* src, int width, int channels, uint8_t* dst) {
  if (channels == 1) {
    std::copy(src, src + width, dst);
    return;
  }
  for (int x = 0; x < width; ++x, src += channels, dst += channels) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    if (channels == 4) dst[3] = 255;
  }
}

void FrameRowToFile(const uint8_t* src, int width, int channels, uint8_t* dst) {
  if (channels == 1) {
    std::copy(src, src + width, dst);
    return;
  }
  for (int x = 0; x < width; ++x, src += channels, dst += channels) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    if (channels == 4) dst[3] = src[3];
  }
}

}  // namespace

talvix::FrameBuffer ReadImage(const std::string& path, int bpp, std::string* error) {
  int w = 0, d = 0, fileChannels = 0;
  if (!stbi_info(path.c_str(), &w, &d, &fileChannels)) {
    *error = stbi_failure_reason() ? stbi_failure_reason() : "unknown image format";
    return {};
  }
  if (bpp == 0) bpp = fileChannels <= 2 ? 8 : 32;  // grey with or without alpha is grey
  const int channels = bpp / 8;
  int n = 0;
  std::unique_ptr<unsigned char, StbFree> pixels(stbi_load(path.c_str(), &w, &d, &n, channels));
  if (!pixels) {
    *error = stbi_failure_reason() ? stbi_failure_reason() : "cannot decode the picture";
    return {};
  }
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, bpp);
  const size_t fileStride = static_cast<size_t>(w) * channels;
  for (int y = 0; y < d; ++y) {
    // File row 0 is the top line; frame row 0 the bottom one.
    FileRowToFrame(pixels.get() + static_cast<size_t>(d - 1 - y) * fileStride, w, channels, f.row(y));
  }
  return f;
}

bool WritePng(const talvix::FrameBuffer& frame, const std::string& path) {
  if (frame.empty() || frame.width() <= 0 || frame.depth() <= 0) return false;
  const int bpp = frame.bpp();
  if (bpp != 8 && bpp != 24 && bpp != 32) return false;
  const int w = frame.width(), d = frame.depth(), channels = bpp / 8;
  const size_t fileStride = static_cast<size_t>(w) * channels;
  std::vector<uint8_t> pixels(fileStride * d);
  for (int y = 0; y < d; ++y) {
    FrameRowToFile(frame.row(y), w, channels, pixels.data() + static_cast<size_t>(d - 1 - y) * fileStride);
  }
  return stbi_write_png(path.c_str(), w, d, channels, pixels.data(), static_cast<int>(fileStride)) != 0;
}

}  // namespace modhost
