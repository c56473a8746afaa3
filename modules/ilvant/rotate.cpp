// rotate: turn by an arbitrary angle with 8-bit-fraction bilinear sampling.
#include <cmath>
#include <vector>

#include "geometry.h"

namespace ilvant {
namespace {

constexpr float kDegreesToRadians = 0.017453292519943295f;

// sin or cos, with magnitudes below 0.001 made exactly 0 so that right
// angles give exact axes.
float Snap(float v) { return std::fabs(v) < 0.001f ? 0.f : v; }

struct Centres {
  int64_t srcX, srcY;  // 1/256 pixel
  int64_t dstX, dstY;
};

// Bounding size of the turned frame (Crop false), truncated to whole pixels.
void TurnedSize(int w, int d, float a, float s, float c, int* tw, int* td) {
  if (s == 0.f) {
    *tw = w;
    *td = d;
    return;
  }
  if (c == 0.f) {
    *tw = d;
    *td = w;
    return;
  }
  const double diag = std::sqrt(static_cast<double>(w) * w + static_cast<double>(d) * d);
  const double phi = std::atan(static_cast<double>(d) / w);
  const double angle = a;
  if (c * s > 0.f) {
    *tw = frame::TruncateToInt(std::fabs(std::cos(phi - angle) * diag));
    *td = frame::TruncateToInt(std::fabs(std::sin(phi + angle) * diag));
  } else {
    *tw = frame::TruncateToInt(std::fabs(std::cos(phi + angle) * diag));
    *td = frame::TruncateToInt(std::fabs(std::sin(phi - angle) * diag));
  }
}

// Target (x, y) samples the source at u = scx + dx c + dy s, v = scy - dx s + dy c
// (1/256 pixel, dx and dy from the target centre); 0 outside the source.
template <int N>
void Turn(const FrameRows& in, const FrameRows& out, float s, float c, const Centres& k) {
  const float scx = static_cast<float>(k.srcX);
  const float scy = static_cast<float>(k.srcY);
  const float limitU = 256.f * static_cast<float>(in.width);
  const float limitV = 256.f * static_cast<float>(in.depth);
  std::vector<float> columns(2 * static_cast<size_t>(out.width));  // dx c, dx s per target column
  for (int x = 0; x < out.width; ++x) {
    const float dx = static_cast<float>(256 * static_cast<int64_t>(x) - k.dstX);
    columns[2 * x] = dx * c;
    columns[2 * x + 1] = dx * s;
  }
  const float* dxcs = columns.data();
  const int width = out.width;
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < out.depth; ++y) {
    // Local copies: the byte stores below may alias anything reached by reference.
    const FrameRows src = in;
    const float dy = static_cast<float>(256 * static_cast<int64_t>(y) - k.dstY);
    const float dys = dy * s;
    const float dyc = dy * c;
    uint8_t* dst = out.row(y);
    for (int x = 0; x < width; ++x) {
      const float u = scx + dxcs[2 * x] + dys;
      const float v = scy - dxcs[2 * x + 1] + dyc;
      geometry::Tap tx, ty;
      // trunc(u) lies in [0, 256 w) exactly when u does in (-1, 256 w).
      if (u > -1.f && u < limitU && v > -1.f && v < limitV) {
        tx = geometry::AxisTap(static_cast<int64_t>(u), src.width);
        ty = geometry::AxisTap(static_cast<int64_t>(v), src.depth);
      }
      geometry::SamplePixel<N>(src, tx, ty, dst + x * N);
    }
  }
}

}  // namespace

bool RunRotate(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");

  const NumberInput n = ReadNumber(a, 1);
  const double degrees = n.ok ? n.value : 0.0;
  const float angle = geometry::ToFloat(degrees) * kDegreesToRadians;
  const float s = Snap(std::sin(angle));
  const float c = Snap(std::cos(angle));

  bool crop = true;
  if (const ParamName name = InputName(a, 2); name.ok) {
    bool* flag = nullptr;
    if (GetFlag(a.ctx, 63, name.c_str(), 0, &flag) && flag) crop = *flag;
  }
  const TPoint* centre = nullptr;
  if (const ParamName name = InputName(a, 3); name.ok) {
    TPoint* p = nullptr;
    if (GetPoint(a.ctx, 63, name.c_str(), 0, &p) && p) centre = p;
  }

  int tw = in.width;
  int td = in.depth;
  if (!crop) TurnedSize(in.width, in.depth, angle, s, c, &tw, &td);
  if (in.bpp == 24 && angle != 0.f) return a.fail(kNo24Bit);
  FrameRows out;
  if (!OutputRows(a, 0, tw, td, in.bpp, &out)) return a.fail(kNoOutputFrame);

  if (angle == 0.f) {
    CopyFrame(out.frame, in.frame);
    return true;
  }
  // The source centre sits on the middle pixel, the target centre on the
  // middle edge; a given centre (Crop only) serves both frames.
  Centres k{(256 * static_cast<int64_t>(in.width) - 256) / 2, (256 * static_cast<int64_t>(in.depth) - 256) / 2,
            256 * static_cast<int64_t>(tw) / 2, 256 * static_cast<int64_t>(td) / 2};
  if (crop && centre) {
    k.srcX = k.dstX = frame::TruncateToInt(centre->x * 256.0);
    k.srcY = k.dstY = frame::TruncateToInt(centre->y * 256.0);
  }
  if (in.bpp == 8) {
    Turn<1>(in, out, s, c, k);
  } else if (in.bpp == 32) {
    Turn<4>(in, out, s, c, k);
  }
  return true;
}

}  // namespace ilvant
