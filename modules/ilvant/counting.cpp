// line_pixel_count and region_pixel_count: light and dark pixels along lines
// and in regions, optionally painted into the "overlay" frame.
#include <cmath>
#include <string>

#include "color_bytes.h"
#include "pixel_ops.h"
#include "run.h"

namespace ilvant {
namespace {

constexpr std::u16string_view kNoLine = u"error: Cannot get input line";
constexpr const char16_t* kOutputs[4] = {u"Number of light pixels", u"Number of dark pixels", u"Ratio of light pixels",
                                         u"Ratio of dark pixels"};

struct CountContext {
  unsigned light = 0;
  unsigned total = 0;
  unsigned threshold = 127;
  uint8_t* overlay = nullptr;  // null: nothing is painted
  int overlayStride = 0;
  ColorBytes dark{}, light_{};
  bool paintDark = false, paintLight = false;
};

bool CountPixelCallback(void* user, int x, int y, unsigned value) {
  auto* c = static_cast<CountContext*>(user);
  ++c->total;
  const bool isLight = value >= c->threshold;
  if (isLight) ++c->light;
  if (c->overlay && (isLight ? c->paintLight : c->paintDark)) {
    const ColorBytes& col = isLight ? c->light_ : c->dark;
    uint8_t* p = c->overlay + static_cast<size_t>(y) * c->overlayStride + 4 * static_cast<size_t>(x);
    p[0] = col.b;
    p[1] = col.g;
    p[2] = col.r;
    p[3] = col.a;
  }
  return true;
}

// t = trunc(v x 255), corrected into 0..255 with a warning when t itself is
// out of range. Checked in a double before any conversion; NaN counts as 0.
unsigned ThresholdLevel(void* ctx, const char16_t* name, double v) {
  const double level = px::Scaled(v, 255.0);
  if (level < 0.0) {
    frame::WarnRealParameterCorrected(ctx, 63, name, px::WarnValue(v), 0.0f);
    return 0;
  }
  if (level > 255.0) {
    frame::WarnRealParameterCorrected(ctx, 63, name, px::WarnValue(v), 1.0f);
    return 255;
  }
  return static_cast<unsigned>(level);
}

// "Show results" (input 3), the overlay and the draw colours.
void PrepareOverlay(const RunArgs& a, bool warnArrays, Frame* input, CountContext& count) {
  bool show = true;
  const ParamName showName = InputName(a, 3);
  bool* flag = nullptr;
  if (showName.ok && GetFlag(a.ctx, 63, showName.c_str(), 0, &flag)) {
    if (warnArrays) frame::WarnArrayInput(a.ctx, 63, showName.c_str());
    show = *flag;
  }
  if (show) {
    Frame* overlay = nullptr;
    const int w = GetFrameWidth(input);
    if (GetOutputFrame(a.ctx, 63, u"overlay", &overlay, w, GetFrameDepth(input), 32)) {
      count.overlay = GetFrameDataAddr(overlay);
      count.overlayStride = 4 * w;
    }
  }
  const TColor dark = GetDrawColor(a.ctx, 8);
  const TColor light = GetDrawColor(a.ctx, 7);
  count.dark = ToBytes(dark);
  count.light_ = ToBytes(light);
  count.paintDark = dark.A != 0.0;
  count.paintLight = light.A != 0.0;
}

// Element i of the four outputs, where each can be named and fetched. The
// ratios are 0 for an empty scan, so that no element keeps an old value.
void WriteCounts(const RunArgs& a, int i, const CountContext& c) {
  const double light = c.light, dark = c.total - c.light;
  const double values[4] = {light, dark, c.total ? light / c.total : 0.0, c.total ? dark / c.total : 0.0};
  for (int k = 0; k < 4; ++k) {
    const ParamName name = OutputName(a, k);
    double* out = nullptr;
    if (name.ok && GetNumber(a.ctx, 63, name.c_str(), i, &out)) *out = values[k];
  }
}

void SizeOutputs(const RunArgs& a, int n) {
  for (int k = 0; k < 4; ++k) {
    const ParamName name = OutputName(a, k);
    if (name.ok) SetObjectMaxIndex(a.ctx, 63, name.c_str(), n);
  }
}

}  // namespace

bool RunLinePixelCount(const RunArgs& a) {
  Frame* input = nullptr;
  CountContext count;
  if (!InputFrame(a, 0, &input)) return FailInput(a, u"Input frame");
  if (const NumberInput t = ReadNumber(a, 2); t.ok) count.threshold = ThresholdLevel(a.ctx, t.name.c_str(), t.value);
  PrepareOverlay(a, true, input, count);

  const ParamName lines = InputName(a, 1);
  const std::u16string noLine = std::u16string(kNoLine) + u"Input line";
  if (!lines.ok) return a.fail(noLine);
  int n = -1;
  GetObjectMaxIndex(a.ctx, 63, lines.c_str(), &n);
  for (int i = 0; i <= n; ++i) {
    TLine* line = nullptr;
    if (!GetLine(a.ctx, 63, lines.c_str(), i, &line)) return a.fail(noLine);
    count.light = count.total = 0;
    ScanLine(input, nullptr, line, 1, &count, CountPixelCallback);
    WriteCounts(a, i, count);
  }
  SizeOutputs(a, n);
  return true;
}

bool RunRegionPixelCount(const RunArgs& a) {
  Frame* input = nullptr;
  CountContext count;
  if (!InputFrame(a, 0, &input)) return FailInput(a, u"Input frame");
  PrepareOverlay(a, false, input, count);

  const ParamName regions = InputName(a, 1);
  const ParamName thresholds = InputName(a, 2);
  int nR = 0, nT = 0;
  if (regions.ok && !GetObjectMaxIndex(a.ctx, 63, regions.c_str(), &nR)) nR = 0;
  if (thresholds.ok && !GetObjectMaxIndex(a.ctx, 63, thresholds.c_str(), &nT)) nT = 0;
  if (nR != nT && nT > 0) WarnArraySizeMismatch(a.ctx, regions.c_str(), thresholds.c_str());

  unsigned t = 127;
  for (int i = 0; i <= nR; ++i) {
    TRectangularRegion* region = nullptr;
    if (!regions.ok || !GetRectangularRegion(a.ctx, 63, regions.c_str(), i, &region)) region = nullptr;
    double* v = nullptr;
    if (thresholds.ok && i <= nT && GetNumber(a.ctx, 63, thresholds.c_str(), i, &v))
      t = ThresholdLevel(a.ctx, thresholds.c_str(), *v);
    else if (nT > 0)
      t = 127;  // a single threshold (nT == 0) serves every region
    count.threshold = t;
    count.light = count.total = 0;
    ScanRectangularRegion(input, region, 1, &count, CountPixelCallback);
    WriteCounts(a, i, count);
  }
  SizeOutputs(a, nR);
  return true;
}

}  // namespace ilvant
