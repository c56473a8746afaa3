// Frames: one block of a 40-byte header and bottom-up rows padded to 4 bytes.
// Every function reads the geometry from the header, so frames that modules
// build in their own memory work as well as host frames.
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "context.h"

namespace talvix {
namespace {

constexpr int64_t kHeaderSize = sizeof(BitmapInfoHeader);

int64_t StrideOf(int64_t w, int64_t bpp) { return (w * bpp + 31) / 32 * 4; }

// stride x rows, saturated far above any real frame, so that wild geometry
// cannot overflow (2^31-wide 32-bit rows times 2^31 rows exceed int64).
int64_t PixelArea(int64_t stride, int64_t rows) {
  constexpr int64_t kSaturated = int64_t{1} << 40;
  if (rows > 0 && stride > kSaturated / rows) return kSaturated;
  return stride * rows;
}

void WriteHeader(void* mem, int w, int d, int bpp) {
  BitmapInfoHeader h{};
  h.biSize = kHeaderSize;
  h.biWidth = w;
  h.biHeight = d;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bpp);
  h.biSizeImage = static_cast<uint32_t>(PixelArea(StrideOf(w, bpp), d));
  std::memcpy(mem, &h, sizeof h);
}

// Pixel bytes from the header: stride x |rows|; 0 when the header is not sane.
int64_t PixelBytes(const Frame* f) {
  if (!f || f->biWidth <= 0 || f->biBitCount == 0 || f->biBitCount > 32) return 0;
  int64_t rows = f->biHeight < 0 ? -int64_t{f->biHeight} : f->biHeight;
  return PixelArea(StrideOf(f->biWidth, f->biBitCount), rows);
}

int ClampToInt(int64_t v) { return v > INT_MAX ? 0 : static_cast<int>(v); }

}  // namespace

int Stride(int w, int bpp) { return w <= 0 || bpp <= 0 ? 0 : ClampToInt(StrideOf(w, bpp)); }

int64_t FrameBytes(int w, int d, int bpp) { return kHeaderSize + PixelArea(StrideOf(w, bpp), d); }

bool ValidFrameGeometry(int w, int d, int bpp) {
  if (w <= 0 || d <= 0 || (bpp != 8 && bpp != 24 && bpp != 32)) return false;
  return FrameBytes(w, d, bpp) <= INT32_MAX;
}

int32_t NextStamp() {
  static std::atomic<int32_t> counter{0};
  for (;;) {
    int32_t v = counter.fetch_add(1, std::memory_order_relaxed) + 1;
    if (v != 0 && v != -1) return v;  // after a wrap
  }
}

FrameBuffer FrameBuffer::make(int w, int d, int bpp, uint8_t fill, bool opaque) {
  if (!ValidFrameGeometry(w, d, bpp)) throw std::invalid_argument("FrameBuffer::make: bad geometry");
  FrameBuffer fb;
  fb.bytes_.assign(static_cast<size_t>(FrameBytes(w, d, bpp)), fill);
  WriteHeader(fb.bytes_.data(), w, d, bpp);
  if (bpp == 32 && opaque) {
    for (int y = 0; y < d; ++y) {
      uint8_t* r = fb.row(y);
      for (int x = 0; x < w; ++x) r[4 * x + 3] = 255;
    }
  }
  return fb;
}

FrameBuffer FrameBuffer::copyOf(const Frame* f) {
  FrameBuffer fb;
  int size = GetFrameSize(f);
  if (size <= 0) return fb;
  const auto* p = reinterpret_cast<const uint8_t*>(f);
  fb.bytes_.assign(p, p + size);
  return fb;
}

int FrameBuffer::width() const { return GetFrameWidth(frame()); }
int FrameBuffer::depth() const { return GetFrameDepth(frame()); }
int FrameBuffer::bpp() const { return GetFrameBPP(frame()); }
int FrameBuffer::stride() const { return empty() ? 0 : Stride(width(), bpp()); }
uint8_t* FrameBuffer::row(int y) { return GetFrameDataAddr(frame()) + static_cast<size_t>(y) * stride(); }
const uint8_t* FrameBuffer::row(int y) const { return const_cast<FrameBuffer*>(this)->row(y); }

}  // namespace talvix

using talvix::FromContext;

extern "C" {

int GetFrameWidth(const Frame* f) { return f ? f->biWidth : 0; }
int GetFrameDepth(const Frame* f) { return f ? f->biHeight : 0; }
int GetFrameBPP(const Frame* f) { return f ? f->biBitCount : 0; }
uint8_t* GetFrameDataAddr(Frame* f) { return f ? reinterpret_cast<uint8_t*>(f) + f->biSize : nullptr; }
int GetFrameDataSize(const Frame* f) { return talvix::ClampToInt(talvix::PixelBytes(f)); }
int GetFrameSize(const Frame* f) { return f ? talvix::ClampToInt(int64_t{f->biSize} + talvix::PixelBytes(f)) : 0; }

int GetFrameSizeParam(int w, int d, int bpp) {
  if (w <= 0 || d <= 0 || bpp <= 0 || bpp > 32) return 0;
  return talvix::ClampToInt(talvix::FrameBytes(w, d, bpp));
}

void InitFrameDIB(void* mem, int w, int d, int bpp) {
  if (!mem || w <= 0 || d <= 0 || bpp <= 0 || bpp > 32) return;
  talvix::WriteHeader(mem, w, d, bpp);
}

bool GetInputFrameTimestamp(void* ctx, int hi, const char16_t* name, Frame** out, int32_t* stamp) {
  return talvix::NoThrow(false, [&]() -> bool {
    if (!ctx) return false;
    auto& s = *FromContext(ctx);
    std::lock_guard lock(s.mu);
    talvix::Slot* slot = s.findInputFrame(talvix::ReadText(hi, name));
    if (!slot || !slot->set || slot->frame.empty()) return false;
    if (out) *out = slot->frame.frame();
    if (stamp) *stamp = slot->stamp;
    return true;
  });
}

bool GetInputFrame(void* ctx, int hi, const char16_t* name, Frame** out) {
  return GetInputFrameTimestamp(ctx, hi, name, out, nullptr);
}

// "overlay" belongs to the inspection; any other name is an output of this run.
// A different geometry replaces the frame; the old one stays allocated until
// the next run, so a stale pointer cannot reach freed memory.
bool GetOutputFrame(void* ctx, int hi, const char16_t* name, Frame** out, int w, int d, int bpp) {
  return talvix::NoThrow(false, [&]() -> bool {
    if (!ctx || !talvix::ValidFrameGeometry(w, d, bpp)) return false;
    auto& s = *FromContext(ctx);
    std::lock_guard lock(s.mu);
    std::u16string n = s.outputFrameName(talvix::ReadText(hi, name));
    auto fits = [&](const talvix::FrameBuffer& fb) {
      return !fb.empty() && fb.width() == w && fb.depth() == d && fb.bpp() == bpp;
    };
    auto fresh = [&] { return talvix::FrameBuffer::make(w, d, bpp, s.fill, false); };
    Frame* f = nullptr;
    if (n == u"overlay") {
      auto& ins = talvix::InspectionOf(s);
      std::lock_guard lockIns(ins.mu);
      if (!fits(ins.overlay)) {
        if (!ins.overlay.empty()) s.retired.push_back(std::make_unique<talvix::FrameBuffer>(std::move(ins.overlay)));
        ins.overlay = fresh();
      }
      f = ins.overlay.frame();
    } else {
      auto& slot = s.outFrames[n];
      if (!slot) {
        const auto spare = s.spareFrames.find(n);
        if (spare != s.spareFrames.end() && spare->second && fits(*spare->second)) slot = std::move(spare->second);
      }
      if (!slot || !fits(*slot)) {
        if (slot) s.retired.push_back(std::move(slot));
        slot = std::make_unique<talvix::FrameBuffer>(fresh());
      }
      f = slot->frame();
    }
    if (out) *out = f;
    return true;
  });
}

}  // extern "C"
