// filter_HSL and filter_RGB: pixels that pass a colour test are painted with
// the foreground colour, the others with the background colour; a colour not
// given keeps the input pixel.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "step.h"

namespace lomber {

namespace {

constexpr double kNotGiven = -1.0;

// A host colour scaled to 0..255 (R, G, B, A), or marked not given.
void SetPaint(const RunArgs& a, int input, double* paint) {
  paint[0] = kNotGiven;
  TColor c;
  if (!InputColor(a, input, &c)) return;
  paint[0] = c.R * 255.0;
  paint[1] = c.G * 255.0;
  paint[2] = c.B * 255.0;
  paint[3] = c.A * 255.0;
}

// Truncated to a byte; components outside 0..1 are held to it so that the
// conversion cannot wrap.
inline uint8_t PaintByte(double v) { return static_cast<uint8_t>(std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 255.0)); }

// The paint of one pixel as bytes B, G, R, A.
struct Paint {
  bool given = false;
  uint8_t bgra[4] = {};
  explicit Paint(const double* p) {
    if (p[0] == kNotGiven) return;
    given = true;
    bgra[0] = PaintByte(p[2]);
    bgra[1] = PaintByte(p[1]);
    bgra[2] = PaintByte(p[0]);
    bgra[3] = PaintByte(p[3]);
  }
};

struct Painter {
  Paint fg, bg;
  void operator()(bool pass, const uint8_t* in, uint8_t* out) const {
    const Paint& p = pass ? fg : bg;
    std::memcpy(out, p.given ? p.bgra : in, 4);
  }
};

// The steps common to both filters: input frame, output frame, region.
struct FilterFrames {
  Frame* in = nullptr;
  Frame* out = nullptr;
  TRectangularRegion* region = nullptr;
  int width = 0, depth = 0;
};

bool OpenFilterFrames(const RunArgs& a, FilterFrames* f) {
  if (!InputFrame32(a, &f->in)) return false;
  f->width = GetFrameWidth(f->in);
  f->depth = GetFrameDepth(f->in);
  const frame::ParamName name = frame::OutputName(a, 0);
  if (!name.ok || !GetOutputFrame(a.ctx, 63, name.c_str(), &f->out, f->width, f->depth, 32) || !f->out ||
      GetFrameWidth(f->out) != f->width || GetFrameDepth(f->out) != f->depth || GetFrameBPP(f->out) != 32)
    return a.fail(kNoOutputFrame);
  f->region = InputRegion(a, 1);
  return true;
}

// Runs test(r, g, b) over the frame and paints the output. Without a region,
// one parallel pass over the pixels; pixels whose fourth byte is below 128 are
// copied. With a region, the input is copied and only the region's pixels
// whose top bit is set are tested.
template <class Test>
void FilterPixels(const FilterFrames& f, const Painter& paint, const Test& test) {
  const uint8_t* in = GetFrameDataAddr(f.in);
  uint8_t* out = GetFrameDataAddr(f.out);
  const int64_t count = static_cast<int64_t>(f.width) * f.depth;
  if (!f.region) {
#pragma omp parallel for schedule(static)
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* p = in + 4 * i;
      uint8_t* q = out + 4 * i;
      if (p[3] >= 128)
        paint(test(p[2], p[1], p[0]), p, q);
      else
        std::memcpy(q, p, 4);
    }
    return;
  }
  std::memcpy(out, in, static_cast<size_t>(count) * 4);
  struct Scan {
    const uint8_t* in;
    uint8_t* out;
    int width;
    const Painter* paint;
    const Test* test;
  } scan{in, out, f.width, &paint, &test};
  ScanRectangularRegion(f.in, f.region, 5, &scan, [](void* user, int x, int y, unsigned v) -> bool {
    const Scan& s = *static_cast<const Scan*>(user);
    if (!(v & 0x80000000u)) return true;
    const int64_t at = 4 * (static_cast<int64_t>(y) * s.width + x);
    (*s.paint)((*s.test)((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF), s.in + at, s.out + at);
    return true;
  });
}

}  // namespace

bool CIPStep::FilterHsl(const RunArgs& a) {
  FilterFrames f;
  if (!OpenFilterFrames(a, &f)) return false;
  inputFrame = f.in;
  outputFrame = f.out;
  region = f.region;
  width = f.width;
  height = f.depth;

  TColor c;
  if (InputColor(a, 2, &c)) {
    const Hsl hsl = ToHsl(c.R * 255.0, c.G * 255.0, c.B * 255.0);
    hueCentre = hsl.h;
    if (hsl.s < 0.01) return a.fail(kGreyColourError);
    if (hsl.s < 0.05) AddWarning(a.ctx, 127, kGreyColourWarning);
  }
  InputNumber(a, 3, &threshold);
  hslLimits = HslLimits{};
  InputNumber(a, 4, &hslLimits.minL);
  InputNumber(a, 5, &hslLimits.maxL);
  InputNumber(a, 6, &hslLimits.minS);
  InputNumber(a, 7, &hslLimits.maxS);
  SetPaint(a, 8, foreground);
  SetPaint(a, 9, background);

  pixelCount = frame::TruncateToInt(width * height);
  hueWindow = MakeHueWindow(hueCentre, threshold);
  const HslLimits limits = hslLimits;
  const HueWindow window = hueWindow;
  FilterPixels(f, Painter{Paint(foreground), Paint(background)},
               [&](int r, int g, int b) { return HslWindowTest(r, g, b, limits, window); });
  return true;
}

bool CIPStep::FilterRgb(const RunArgs& a) {
  FilterFrames f;
  if (!OpenFilterFrames(a, &f)) return false;
  inputFrame = f.in;
  outputFrame = f.out;
  region = f.region;
  width = f.width;
  height = f.depth;

  TColor c;
  if (InputColor(a, 2, &c)) {
    reference[0] = c.R;
    reference[1] = c.G;
    reference[2] = c.B;
  }
  double method;
  if (InputNumber(a, 3, &method, false)) {
    const int mode = frame::TruncateToInt(method);
    if (mode < 0 || mode > 2) return a.fail(kIncorrectParameter);
    compareMode = mode;
  }
  InputNumber(a, 4, &threshold);
  SetPaint(a, 5, foreground);
  SetPaint(a, 6, background);
  pixelCount = frame::TruncateToInt(width * height);

  // The reference goes through the same transform as the pixels, so that
  // only its colour counts in modes 0 and 1, not its brightness.
  const int mode = compareMode;
  const Vec3 ref = Transform(mode, reference[0] * 255.0, reference[1] * 255.0, reference[2] * 255.0);
  const double limit = threshold;
  const Painter paint{Paint(foreground), Paint(background)};
  // One loop per mode, so that the mode is a constant inside it.
  switch (mode) {
    case kModeChroma:
      FilterPixels(f, paint, [&](int r, int g, int b) { return VectorTest(kModeChroma, r, g, b, ref, limit); });
      break;
    case kModeDirection:
      FilterPixels(f, paint, [&](int r, int g, int b) { return VectorTest(kModeDirection, r, g, b, ref, limit); });
      break;
    default:
      FilterPixels(f, paint, [&](int r, int g, int b) { return VectorTest(kModeRgb, r, g, b, ref, limit); });
      break;
  }
  return true;
}

}  // namespace lomber
