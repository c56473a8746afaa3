// Colour to grey, grey to colour, and the RGB split and combine.
#include <cstring>

#include "color_planes.h"
#include "frame_access.h"
#include "row_kernels.h"

namespace ilvant {

namespace {

// Shared by the two grey conversions: row(src, bytes per pixel, dst, width)
// per colour row.
template <typename Row>
bool ToMonochrome(const RunArgs& a, Row row) {
  Frame* in = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  const FrameRows src(in);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, src.width, src.depth, 8, &out)) return a.fail(kNoOutputFrame);
  if (src.bpp == 8) {
    std::memcpy(out, in, GetFrameSize(out));
    return true;
  }
  if (src.bpp != 24 && src.bpp != 32) return true;
  const FrameRows dst(out);
  const int bytes = src.bpp / 8;
  ForRows(src.depth, src.width, [&](int y) { row(src.row(y), bytes, dst.row(y), src.width); });
  return true;
}

}  // namespace

bool RunColorToMonochrome(const RunArgs& a) {
  // Integer luma weights (0.299, 0.587, 0.114 in 1/256ths).
  return ToMonochrome(a, rows::Luma);
}

bool RunColorToMonochromeAvg(const RunArgs& a) { return ToMonochrome(a, rows::Average); }

bool RunMonochromeToColor(const RunArgs& a) {
  Frame* in = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  const FrameRows src(in);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, src.width, src.depth, 32, &out)) return a.fail(kNoOutputFrame);
  const FrameRows dst(out);
  switch (src.bpp) {
    case 8:
      ForRows(src.depth, src.width, [&](int y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int x = 0; x < src.width; ++x, d += 4) d[0] = d[1] = d[2] = s[x], d[3] = 255;
      });
      break;
    case 24:
      ForRows(src.depth, src.width, [&](int y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int x = 0; x < src.width; ++x, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
      });
      break;
    case 32:
      std::memcpy(out, in, GetFrameSize(out));
      break;
    default:
      break;
  }
  return true;
}

bool RunSplitRGB(const RunArgs& a) {
  return color::Split(a, /*hslGrey=*/false, rows::SplitRgb);
}

bool RunCombineRGB(const RunArgs& a) {
  // Without a mask the colour is opaque.
  static constexpr std::u16string_view kPlanes[3] = {u"Input red frame", u"Input green frame", u"Input blue frame"};
  return color::Combine(a, kPlanes, 255, [](unsigned r, unsigned g, unsigned b, uint8_t* px) {
    px[0] = static_cast<uint8_t>(b), px[1] = static_cast<uint8_t>(g), px[2] = static_cast<uint8_t>(r);
  });
}

}  // namespace ilvant
