#include "image_io.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <optional>
#include <vector>

namespace modhost {
namespace {

struct StbFree {
  void operator()(unsigned char* p) const { stbi_image_free(p); }
};

// A row of grey, RGB or RGBA pixels with red and blue swapped (file order <->
// frame order); alpha written as `alpha` when given, else copied.
void SwapRedBlue(const uint8_t* src, int width, int channels, uint8_t* dst, std::optional<uint8_t> alpha) {
  if (channels == 1) {
    std::copy(src, src + width, dst);
    return;
  }
  for (int x = 0; x < width; ++x, src += channels, dst += channels) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    if (channels == 4) dst[3] = alpha ? *alpha : src[3];
  }
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

std::string Shortfall(uintmax_t needed, uintmax_t fileSize) {
  return "the file holds " + std::to_string(fileSize) + " bytes but its header declares " + std::to_string(needed);
}

// BITMAPFILEHEADER (14 bytes) then the info header; only uncompressed and
// bit-field pictures have a size the header fixes.
std::string BmpTruncation(const uint8_t* h, size_t n, uintmax_t fileSize) {
  if (n < 34) return "the file is too short for a bitmap header";
  const uint32_t offset = Le32(h + 10);
  const int64_t width = static_cast<int32_t>(Le32(h + 18));
  const int64_t height = static_cast<int32_t>(Le32(h + 22));
  const uint16_t bits = Le16(h + 28);
  const uint32_t compression = Le32(h + 30);
  if (compression != 0 && compression != 3) return {};
  if (width <= 0 || height == 0 || bits == 0) return {};
  const uintmax_t stride = ((static_cast<uintmax_t>(width) * bits + 31) / 32) * 4;
  const uintmax_t needed = offset + stride * static_cast<uintmax_t>(height < 0 ? -height : height);
  return needed > fileSize ? Shortfall(needed, fileSize) : std::string();
}

// "P5"/"P6", then width, height and maximum value separated by white space and
// comments, then one white-space byte before the pixels.
std::string PnmTruncation(const uint8_t* h, size_t n, uintmax_t fileSize) {
  size_t i = 2;
  uintmax_t fields[3] = {};
  for (uintmax_t& field : fields) {
    for (;;) {
      while (i < n && std::strchr(" \t\r\n\v\f", h[i]) && h[i]) ++i;
      if (i < n && h[i] == '#') {
        while (i < n && h[i] != '\n') ++i;
        continue;
      }
      break;
    }
    if (i >= n || h[i] < '0' || h[i] > '9') return {};  // stb judges malformed headers
    while (i < n && h[i] >= '0' && h[i] <= '9') {
      if (field > (UINTMAX_MAX - 9) / 10) return {};
      field = field * 10 + (h[i++] - '0');
    }
  }
  ++i;  // the single white-space byte
  const uintmax_t channels = h[1] == '6' ? 3 : 1, bytes = fields[2] > 255 ? 2 : 1;
  const uintmax_t w = fields[0], d = fields[1];
  if (w == 0 || d == 0) return {};
  if (w > UINTMAX_MAX / d / channels / bytes) return Shortfall(UINTMAX_MAX, fileSize);
  const uintmax_t needed = i + w * d * channels * bytes;
  return needed > fileSize ? Shortfall(needed, fileSize) : std::string();
}

uint32_t Be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// PNG: the 8-byte signature, then chunks (length, type, data, CRC) up to IEND.
// The decoder would take the bytes missing from a cut file for a chunk of an
// unknown type; the chunk walk tells that the file ends early. Each chunk
// takes at least 12 bytes, so the walk is bounded by the file's size.
std::string PngTruncation(std::istream& file, uintmax_t fileSize) {
  if (fileSize < 8) return "the file holds " + std::to_string(fileSize) + " bytes, fewer than a PNG signature";
  uintmax_t at = 8;
  while (at + 8 <= fileSize) {
    uint8_t h[8];
    file.clear();
    file.seekg(static_cast<std::streamoff>(at));
    if (!file.read(reinterpret_cast<char*>(h), sizeof h)) return {};
    const uintmax_t end = at + 12 + Be32(h);
    const std::string type(reinterpret_cast<const char*>(h + 4), 4);
    if (end > fileSize) {
      return "the file holds " + std::to_string(fileSize) + " bytes but its chunk at byte " + std::to_string(at) +
             " ends at byte " + std::to_string(end);
    }
    if (type == "IEND") return {};
    at = end;
  }
  return "the file holds " + std::to_string(fileSize) + " bytes and ends before its IEND chunk";
}

}  // namespace

std::string TruncationProblem(const uint8_t* head, size_t headLen, uintmax_t fileSize) {
  if (headLen >= 2 && head[0] == 'B' && head[1] == 'M') return BmpTruncation(head, headLen, fileSize);
  if (headLen >= 2 && head[0] == 'P' && (head[1] == '5' || head[1] == '6')) {
    return PnmTruncation(head, headLen, fileSize);
  }
  return {};
}

std::string PixelCountProblem(int64_t w, int64_t d) {
  if (w > 0 && d > 0 && w <= kMaxPicturePixels / d) return {};
  return "its header claims " + std::to_string(w) + " x " + std::to_string(d) + " pixels, more than the " +
         std::to_string(kMaxPicturePixels) + " (2^28) that a picture may have here";
}

std::string PngSizeProblem(int64_t w, int64_t d, int channels) {
  if (w <= 0 || d <= 0) return "the frame has no pixels";
  // The encoder keeps one filter byte per row plus the row's bytes, in an int.
  if ((w * channels + 1) > INT_MAX / d) {
    return "a " + std::to_string(w) + " x " + std::to_string(d) + " picture of " + std::to_string(channels * 8) +
           "-bit pixels is too large for a PNG file here";
  }
  return {};
}

talvix::FrameBuffer ReadImage(const std::string& path, int bpp, std::string* error) {
  std::error_code dirError;
  if (std::filesystem::is_directory(path, dirError)) {
    *error = "it is a directory";
    return {};
  }
  // A cut PNG is told after a pixel claim its header can still make.
  std::string pngCut;
  {
    std::ifstream file(path, std::ios::binary);
    uint8_t head[512];
    file.read(reinterpret_cast<char*>(head), sizeof head);
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (file.gcount() > 0 && !ec) {
      const size_t headLen = static_cast<size_t>(file.gcount());
      if (std::string problem = TruncationProblem(head, headLen, size); !problem.empty()) {
        *error = "truncated picture: " + problem;
        return {};
      }
      // Four bytes of the signature are enough to know a PNG cut inside it.
      if (headLen >= 4 && std::memcmp(head, "\x89PNG\r\n\x1a\n", std::min<size_t>(headLen, 8)) == 0) {
        if (std::string problem = PngTruncation(file, size); !problem.empty()) pngCut = "truncated picture: " + problem;
      }
    }
  }
  int w = 0, d = 0, fileChannels = 0;
  if (!stbi_info(path.c_str(), &w, &d, &fileChannels)) {
    *error = !pngCut.empty() ? pngCut : stbi_failure_reason() ? stbi_failure_reason() : "unknown image format";
    return {};
  }
  // The header is checked before anything is decoded: a damaged or hostile
  // file of a few bytes can claim more pixels than the machine holds.
  if (std::string problem = PixelCountProblem(w, d); !problem.empty()) {
    *error = problem;
    return {};
  }
  if (!pngCut.empty()) {
    *error = pngCut;
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
    SwapRedBlue(pixels.get() + static_cast<size_t>(d - 1 - y) * fileStride, w, channels, f.row(y), uint8_t{255});
  }
  return f;
}

std::string WritePng(const talvix::FrameBuffer& frame, const std::string& path, bool keepAlpha) {
  if (frame.empty()) return "the frame has no pixels";
  const int bpp = frame.bpp();
  if (bpp != 8 && bpp != 24 && bpp != 32) return "a frame of " + std::to_string(bpp) + " bits per pixel";
  const int w = frame.width(), d = frame.depth(), channels = bpp / 8;
  if (std::string problem = PngSizeProblem(w, d, channels); !problem.empty()) return problem;
  const size_t fileStride = static_cast<size_t>(w) * channels;
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(fileStride * d);
  } catch (const std::bad_alloc&) {
    return "not enough memory for the picture";
  }
  const std::optional<uint8_t> alpha = keepAlpha ? std::nullopt : std::optional<uint8_t>(255);
  for (int y = 0; y < d; ++y) {
    SwapRedBlue(frame.row(y), w, channels, pixels.data() + static_cast<size_t>(d - 1 - y) * fileStride, alpha);
  }
  if (!stbi_write_png(path.c_str(), w, d, channels, pixels.data(), static_cast<int>(fileStride))) {
    return "cannot write \"" + path + "\"";
  }
  return {};
}

}  // namespace modhost
