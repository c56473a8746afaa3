#include "overlay.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "image_io.h"

namespace modhost {
namespace {

using talvix::FrameBuffer;

FrameBuffer ToOpaque32(const FrameBuffer& src) {
  FrameBuffer out = FrameBuffer::make(src.width(), src.depth(), 32);
  const int w = src.width(), n = src.bpp() / 8;
  for (int y = 0; y < src.depth(); ++y) {
    const uint8_t* s = src.row(y);
    uint8_t* d = out.row(y);
    for (int x = 0; x < w; ++x, s += n, d += 4) {
      d[0] = s[0];
      d[1] = n == 1 ? s[0] : s[1];
      d[2] = n == 1 ? s[0] : s[2];
      d[3] = 255;
    }
  }
  return out;
}

// Blends the overlay over the common area of both frames.
void PaintOverlay(const FrameBuffer& overlay, FrameBuffer& target) {
  const int w = std::min(overlay.width(), target.width()), d = std::min(overlay.depth(), target.depth());
  const int n = overlay.bpp() / 8;
  for (int y = 0; y < d; ++y) {
    const uint8_t* s = overlay.row(y);
    uint8_t* t = target.row(y);
    for (int x = 0; x < w; ++x, s += n, t += 4) {
      uint8_t b = s[0], g = n == 1 ? s[0] : s[1], r = n == 1 ? s[0] : s[2];
      int alpha = n == 4 ? s[3] : (b | g | r) ? 255 : 0;
      t[0] = static_cast<uint8_t>((b * alpha + t[0] * (255 - alpha) + 127) / 255);
      t[1] = static_cast<uint8_t>((g * alpha + t[1] * (255 - alpha) + 127) / 255);
      t[2] = static_cast<uint8_t>((r * alpha + t[2] * (255 - alpha) + 127) / 255);
    }
  }
}

}  // namespace

FrameBuffer ComposeOverlay(const FrameBuffer* base, const FrameBuffer& overlay,
                           const std::vector<talvix::DrawCall>& calls, std::string* reason) {
  FrameBuffer picture;
  const FrameBuffer* size = base && !base->empty() ? base : !overlay.empty() ? &overlay : nullptr;
  if (!size) return picture;
  *reason = PngSizeProblem(size->width(), size->depth(), 4);
  if (!reason->empty()) return picture;
  try {
    picture = size == base ? ToOpaque32(*base) : FrameBuffer::make(overlay.width(), overlay.depth(), 32);
  } catch (const std::invalid_argument&) {
    *reason = "the overlay picture would be too large";
    return picture;
  } catch (const std::bad_alloc&) {
    *reason = "not enough memory for the overlay picture";
    return picture;
  }
  if (!overlay.empty()) PaintOverlay(overlay, picture);
  talvix::RenderDrawList(calls, picture);
  return picture;
}

}  // namespace modhost
