// get_pixel, put_pixel and put_region: single pixels and filled regions,
// one element per input element.
#include <cmath>

#include "color_bytes.h"
#include "run.h"

namespace ilvant {
namespace {

constexpr std::u16string_view kNoPoint = u"error: Cannot get input point";
constexpr std::u16string_view kNoColor = u"error: Cannot get input color";
constexpr std::u16string_view kNoRegion = u"error: Cannot get input rectangular region";
constexpr std::u16string_view kCountMismatch = u"error: There must be the same number of defined colors and indexes";

// Input 0 copied whole into the output of the same geometry.
bool CopyInputToOutput(const RunArgs& a, Frame*& input, Frame*& output) {
  if (!InputFrame(a, 0, &input)) return FailInput(a, u"Input frame");
  if (!OutputFrame(a, 0, GetFrameWidth(input), GetFrameDepth(input), GetFrameBPP(input), &output))
    return a.fail(kNoOutputFrame);
  CopyFrame(output, input);
  return true;
}

// A point truncated to a pixel inside the frame.
bool PixelOf(const TPoint& p, const Frame* f, int& x, int& y) {
  if (!(std::fabs(p.x) < 1e9) || !(std::fabs(p.y) < 1e9)) return false;
  x = static_cast<int>(p.x);
  y = static_cast<int>(p.y);
  return x >= 0 && y >= 0 && x < GetFrameWidth(f) && y < GetFrameDepth(f);
}

void PutColor(const FrameRows& f, int x, int y, const ColorBytes& c) {
  uint8_t* row = f.row(y);
  if (f.bpp == 32) {
    uint8_t* p = row + 4 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
    p[3] = c.a;
  } else if (f.bpp == 24) {
    uint8_t* p = row + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  } else if (f.bpp == 8) {
    row[x] = c.grey;
  }
}

struct FillContext {
  FrameRows output;
  ColorBytes color;
};

bool FillRegionCallback(void* user, int x, int y, unsigned) {
  auto* ctx = static_cast<FillContext*>(user);
  PutColor(ctx->output, x, y, ctx->color);
  return true;
}

// Highest indexes of inputs 1 and 2, which must match.
bool PairedCount(const RunArgs& a, std::u16string_view noFirst, ParamName& first, ParamName& colors, int& n) {
  first = InputName(a, 1);
  if (!first.ok) return a.fail(noFirst);
  colors = InputName(a, 2);
  if (!colors.ok) return a.fail(kNoColor);
  int nFirst = -1, nColors = -1;
  GetObjectMaxIndex(a.ctx, 63, first.c_str(), &nFirst);
  GetObjectMaxIndex(a.ctx, 63, colors.c_str(), &nColors);
  if (nFirst != nColors) return a.fail(kCountMismatch);
  n = nFirst;
  return true;
}

}  // namespace

bool RunGetPixel(const RunArgs& a) {
  Frame* input = nullptr;
  if (!InputFrame(a, 0, &input)) return FailInput(a, u"Input frame");
  const ParamName points = InputName(a, 1);
  if (!points.ok) return a.fail(kNoPoint);
  int n = -1;
  GetObjectMaxIndex(a.ctx, 63, points.c_str(), &n);
  const ParamName out = OutputName(a, 0);
  const FrameRows in(input);  // the row stride computed wide
  const int bpp = in.bpp;
  for (int i = 0; i <= n; ++i) {
    TPoint* p = nullptr;
    int x = 0, y = 0;
    if (!GetPoint(a.ctx, 63, points.c_str(), i, &p) || !PixelOf(*p, input, x, y)) return a.fail(kNoPoint);
    const uint8_t* row = in.row(y);
    float r = 0, g = 0, b = 0, alpha = 0;  // transparent black for depths without a branch
    if (bpp == 32) {
      const uint8_t* px = row + 4 * x;
      b = px[0] / 255.0f;
      g = px[1] / 255.0f;
      r = px[2] / 255.0f;
      alpha = px[3] / 255.0f;
    } else if (bpp == 24) {
      const uint8_t* px = row + 3 * x;
      b = px[0] / 255.0f;
      g = px[1] / 255.0f;
      r = px[2] / 255.0f;
      alpha = 1.0f;
    } else if (bpp == 8) {
      r = g = b = row[x] / 255.0f;
      alpha = 1.0f;
    }
    TColor* c = nullptr;
    if (!out.ok || !GetColor(a.ctx, 63, out.c_str(), i, &c)) return a.fail(kNoColor);
    *c = TColor{r, g, b, alpha};
  }
  if (out.ok) SetObjectMaxIndex(a.ctx, 63, out.c_str(), n);
  return true;
}

bool RunPutPixel(const RunArgs& a) {
  Frame *input = nullptr, *output = nullptr;
  if (!CopyInputToOutput(a, input, output)) return false;
  ParamName points, colors;
  int n = -1;
  if (!PairedCount(a, kNoPoint, points, colors, n)) return false;
  for (int i = 0; i <= n; ++i) {
    TPoint* p = nullptr;
    if (!GetPoint(a.ctx, 63, points.c_str(), i, &p)) return a.fail(kNoPoint);
    TColor* c = nullptr;
    if (!GetColor(a.ctx, 63, colors.c_str(), i, &c)) return a.fail(kNoColor);
    int x = 0, y = 0;
    if (!PixelOf(*p, output, x, y)) return a.fail(kNoPoint);
    PutColor(FrameRows(output), x, y, ToBytes(*c));
  }
  return true;
}

bool RunPutRegion(const RunArgs& a) {
  Frame *input = nullptr, *output = nullptr;
  if (!CopyInputToOutput(a, input, output)) return false;
  ParamName regions, colors;
  int n = -1;
  if (!PairedCount(a, kNoRegion, regions, colors, n)) return false;
  for (int i = 0; i <= n; ++i) {
    TRectangularRegion* region = nullptr;
    if (!GetRectangularRegion(a.ctx, 63, regions.c_str(), i, &region)) return a.fail(kNoRegion);
    TColor* c = nullptr;
    if (!GetColor(a.ctx, 63, colors.c_str(), i, &c)) return a.fail(kNoColor);
    FillContext fill{FrameRows(output), ToBytes(*c)};
    // Mode 5 visits every pixel of the region; the output has the input's geometry.
    ScanRectangularRegion(input, region, 5, &fill, FillRegionCallback);
  }
  return true;
}

}  // namespace ilvant
