// translate: shift by a whole or sub-pixel offset; what the shifted frame
// leaves uncovered becomes 0.
#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry.h"

namespace ilvant {
namespace {

using geometry::Tap;

// Whole-pixel shift: output (x, y) takes input (x - ox, y - oy), pixels
// copied whole; uncovered pixels are written 0 so nothing stale remains.
void ShiftWhole(const FrameRows& in, const FrameRows& out, int ox, int oy) {
  const int bytes = in.bpp / 8;
  const int w = in.width;
  const int x0 = std::max(0, ox);
  const int x1 = std::min(w, w + ox);
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < in.depth; ++y) {
    uint8_t* dst = out.row(y);
    const int sy = y - oy;
    if (sy < 0 || sy >= in.depth || x1 <= x0) {
      std::memset(dst, 0, static_cast<size_t>(w) * bytes);
      continue;
    }
    std::memset(dst, 0, static_cast<size_t>(x0) * bytes);
    std::memcpy(dst + x0 * bytes, in.row(sy) + (x0 - ox) * bytes, static_cast<size_t>(x1 - x0) * bytes);
    std::memset(dst + x1 * bytes, 0, static_cast<size_t>(w - x1) * bytes);
  }
}

// Tap of output index i on an axis of n pixels shifted by o (1/256 pixel).
// The sample sits at 256 i - o. The one output pixel that the shifted frame
// covers only in part (the first one for o > 0, the last covered one for
// o < 0) takes the border pixel of the source weighted by the covered
// fraction; the uncovered part counts as 0.
Tap ShiftTap(int i, int64_t o, int n) {
  if (o > 0 && (o & 255) != 0 && i == (o >> 8)) return Tap{0, 0, 256 - static_cast<int>(o & 255), 0};
  if (o < 0 && ((-o) & 255) != 0 && i == n - 1 - ((-o) >> 8)) {
    return Tap{n - 1, n - 1, 256 - static_cast<int>((-o) & 255), 0};
  }
  return geometry::AxisTap(256 * static_cast<int64_t>(i) - o, n);
}

template <int N>
void ShiftFraction(const FrameRows& in, const FrameRows& out, int64_t ox, int64_t oy) {
  std::vector<Tap> cols(in.width);
  for (int x = 0; x < in.width; ++x) cols[x] = ShiftTap(x, ox, in.width);
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < in.depth; ++y) {
    const Tap ty = ShiftTap(y, oy, in.depth);
    uint8_t* dst = out.row(y);
    for (int x = 0; x < in.width; ++x) geometry::SamplePixel<N>(in, cols[x], ty, dst + x * N);
  }
}

// An integral offset as int; beyond the frame the shift covers nothing
// either way, so it is limited to one frame size.
int WholeOffset(double o, int n) {
  return static_cast<int>(std::clamp(o, -static_cast<double>(n), static_cast<double>(n)));
}

}  // namespace

bool RunTranslate(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");
  FrameRows out;
  if (!OutputRows(a, 0, in.width, in.depth, in.bpp, &out)) return a.fail(kNoOutputFrame);

  double ox = 0.0;
  double oy = 0.0;
  if (const ParamName name = InputName(a, 1); name.ok) {
    frame::WarnArrayInput(a.ctx, 63, name.c_str());
    TPoint* p = nullptr;
    if (GetPoint(a.ctx, 63, name.c_str(), 0, &p) && p) {
      ox = p->x;
      oy = p->y;
    }
  }
  if (ox == 0.0 && oy == 0.0) {
    CopyFrame(out.frame, in.frame);
    return true;
  }
  if (in.bpp != 8 && in.bpp != 32) return a.fail(kNo24Bit);

  if (std::trunc(ox) == ox && std::trunc(oy) == oy) {
    ShiftWhole(in, out, WholeOffset(ox, in.width), WholeOffset(oy, in.depth));
  } else {
    const int64_t ox256 = frame::TruncateToInt(geometry::ToFloat(ox) * 256.f);
    const int64_t oy256 = frame::TruncateToInt(geometry::ToFloat(oy) * 256.f);
    if (in.bpp == 8) {
      ShiftFraction<1>(in, out, ox256, oy256);
    } else {
      ShiftFraction<4>(in, out, ox256, oy256);
    }
  }
  return true;
}

}  // namespace ilvant
