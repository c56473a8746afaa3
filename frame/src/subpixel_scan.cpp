#include "frame/subpixel_scan.h"

#include <cmath>
#include <cstdint>

#include "talvix.h"

namespace {

// Byte offsets of the channels in a 32-bit pixel.
constexpr int kB = 0, kG = 1, kR = 2, kA = 3;

// The largest sharpened sum is 12 * 255 and the weights add up to 4^p, so
// 3060 * 4^24 (and 255 * 4^24 unsigned) still fit 64 bits.
static_assert(kMaxSubPixelPrecisionBits <= 24);

struct Raster {
  const uint8_t* data;
  int width, height, stride, bytes;  // bytes per pixel: 1 or 4
  const uint8_t* at(int x, int y) const {
    return data + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * bytes;
  }
};

// Bilinear weights of the pixels (px, py), (px + 1, py), (px, py + 1), (px + 1, py + 1).
struct Weights {
  int64_t w00, w10, w01, w11;
  Weights(int64_t scale, int64_t fracX, int64_t fracY) {
    w00 = (scale - fracX) * (scale - fracY);
    w10 = fracX * (scale - fracY);
    w01 = (scale - fracX) * fracY;
    w11 = scale * scale - w00 - w10 - w01;
  }
};

uint32_t PlainChannel(const Raster& r, int px, int py, int channel, const Weights& w, int shift) {
  const uint8_t* p0 = r.at(px, py) + channel;
  const uint8_t* p1 = r.at(px, py + 1) + channel;
  const uint64_t sum = static_cast<uint64_t>(w.w00) * p0[0] + static_cast<uint64_t>(w.w10) * p0[r.bytes] +
                       static_cast<uint64_t>(w.w01) * p1[0] + static_cast<uint64_t>(w.w11) * p1[r.bytes];
  return static_cast<uint32_t>(sum >> shift);
}

// 12 * centre - (sum of the 8 neighbours), one channel.
int64_t Sharpened(const Raster& r, int x, int y, int channel) {
  int64_t neighbours = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    const uint8_t* row = r.at(x - 1, y + dy) + channel;
    neighbours += row[0] + row[r.bytes] + row[2 * r.bytes];
  }
  const int64_t centre = r.at(x, y)[channel];
  return 12 * centre - (neighbours - centre);
}

uint32_t SharpenedChannel(const Raster& r, int px, int py, int channel, const Weights& w, int shift) {
  const int64_t t = w.w00 * Sharpened(r, px, py, channel) + w.w10 * Sharpened(r, px + 1, py, channel) +
                    w.w01 * Sharpened(r, px, py + 1, channel) + w.w11 * Sharpened(r, px + 1, py + 1, channel);
  if (t < 0) return 0;
  return static_cast<uint32_t>((t >> 2) >> shift);
}

// Combines per-channel values as the mode asks (32-bit frames).
uint32_t Combine32(int mode, uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
  switch (mode) {
    case 0:
      return (b & 0xFF) | (g & 0xFF) << 8 | (r & 0xFF) << 16 | (a & 0xFF) << 24;
    case 1:
      return (r + g + b) / 3;
    case 2:
      return r;
    case 3:
      return g;
    default:
      return b;
  }
}

uint32_t Combine8(int mode, uint32_t grey) { return mode == 0 ? grey * 65793u : grey; }

template <bool kSharpen>
uint32_t Interpolated(const Raster& r, int mode, int px, int py, const Weights& w, int shift) {
  auto channel = [&](int c) {
    return kSharpen ? SharpenedChannel(r, px, py, c, w, shift) : PlainChannel(r, px, py, c, w, shift);
  };
  if (r.bytes == 1) return Combine8(mode, channel(0));
  switch (mode) {
    case 0:
      return Combine32(0, channel(kB), channel(kG), channel(kR), channel(kA));
    case 1:
      return Combine32(1, channel(kB), channel(kG), channel(kR), 0);
    case 2:
      return channel(kR);
    case 3:
      return channel(kG);
    default:
      return channel(kB);
  }
}

uint32_t Raw(const Raster& r, int mode, int x, int y) {
  const uint8_t* p = r.at(x, y);
  if (r.bytes == 1) return Combine8(mode, p[0]);
  return Combine32(mode, p[kB], p[kG], p[kR], p[kA]);
}

template <bool kSharpen>
void Scan(const Frame* frame, const TRectangularRegion* region, const TLine* line, int mode, void* user,
          int precisionBits, SubPixelCallback callback) {
  if (!frame || !line || !callback) return;
  // Shifts by a negative or too large count are undefined.
  if (precisionBits < 0 || precisionBits > kMaxSubPixelPrecisionBits) return;
  const int bpp = GetFrameBPP(frame);
  if (bpp != 8 && bpp != 32) return;
  if (bpp == 32 && static_cast<unsigned>(mode) > 4) return;

  float s = 0.0f, c = 1.0f;
  if (region) {
    const float a = static_cast<float>(region->angle * 0.017453292519943295);
    s = std::sin(a);
    c = std::cos(a);
  }
  const float dx = static_cast<float>(line->x1 - line->x0);
  const float dy = static_cast<float>(line->y1 - line->y0);
  const int n = RoundReal(std::sqrt(dx * dx + dy * dy));
  if (n < 1) return;

  const int p = precisionBits;
  const int scale = 1 << p;
  const float fscale = static_cast<float>(scale);
  const float stepX = fscale / static_cast<float>(n) * dx;
  const float stepY = fscale / static_cast<float>(n) * dy;
  float fx = static_cast<float>(scale * line->x0);
  float fy = static_cast<float>(scale * line->y0);

  Raster r;
  r.width = GetFrameWidth(frame);
  r.height = GetFrameDepth(frame);
  // The host hands out the pixel address through a non-const frame; the scan only reads.
  r.data = GetFrameDataAddr(const_cast<Frame*>(frame));
  r.bytes = bpp / 8;
  r.stride = bpp == 8 ? (r.width + 3) & ~3 : 4 * r.width;

  // The sharpened interior leaves room for the 4x4 block around a sample.
  const int innerRight = kSharpen ? r.width - 3 : r.width - 2;
  const int innerTop = kSharpen ? r.height - 3 : r.height - 2;

  for (int i = 0; i < n; ++i) {
    const int ix = RoundReal(fx), iy = RoundReal(fy);
    const int px = ix >> p, py = iy >> p;
    const bool inside =
        PixelInRectangularRegion(frame, region, TPoint{static_cast<double>(px), static_cast<double>(py)},
                                 static_cast<double>(s), static_cast<double>(c));
    bool go = true;
    if (inside && px >= 1 && px <= innerRight && py >= 1 && py <= innerTop) {
      const Weights w(scale, ix & (scale - 1), iy & (scale - 1));
      go = callback(user, fx / fscale, fy / fscale, Interpolated<kSharpen>(r, mode, px, py, w, 2 * p));
    } else if (px >= 0 && px < r.width && py >= 0 && py < r.height &&
               (px == 0 || px > innerRight || py == 0 || py > innerTop)) {
      go = callback(user, static_cast<float>(px), static_cast<float>(py), Raw(r, mode, px, py));
    }
    if (!go) return;
    fx += stepX;
    fy += stepY;
  }
}

}  // namespace

extern "C" {

MODULE_API void ScanLineSubPixelPrecision(const Frame* frame, const TRectangularRegion* region, const TLine* line,
                                          int mode, void* user, int precisionBits, SubPixelCallback callback) {
  Scan<false>(frame, region, line, mode, user, precisionBits, callback);
}

MODULE_API void ScanLineSubPixelPrecisionWithSharpening(const Frame* frame, const TRectangularRegion* region,
                                                        const TLine* line, int mode, void* user, int precisionBits,
                                                        SubPixelCallback callback) {
  Scan<true>(frame, region, line, mode, user, precisionBits, callback);
}

}  // extern "C"
