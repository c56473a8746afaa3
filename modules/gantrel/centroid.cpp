#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "spot.h"

namespace gantrel {

namespace {

enum { kFrameIn, kRegionIn, kThresholdIn, kNegativeIn, kShowIn };
enum { kCentroidOut };

struct CentroidScan {
  int64_t weights = 0;  // 64-bit: large regions far from the level pass 2^31
  double sumX = 0, sumY = 0;
  int level = 127;
  bool negative = false;
  FrameRows overlay;  // no frame: nothing painted
  uint8_t color[4] = {};
};

bool CountCentroidPixel(void* user, int x, int y, unsigned v) {
  auto* s = static_cast<CentroidScan*>(user);
  const unsigned level = static_cast<unsigned>(s->level);
  if (s->negative ? v < level : v >= level) return true;
  const int64_t w = std::llabs(static_cast<int64_t>(v) - s->level);
  s->weights += w;
  s->sumX += static_cast<double>(w * x);
  s->sumY += static_cast<double>(w * y);
  if (s->overlay.frame && x >= 0 && y >= 0 && x < s->overlay.width && y < s->overlay.depth) {
    std::copy(s->color, s->color + 4, s->overlay.row(y) + 4 * x);
  }
  return true;
}

}  // namespace

int WarnedLevel(const RunArgs& a, int input) {
  const double* p = NumberInput(a, input);
  if (!p) return 127;
  int level = Level(*p);
  const ParamName n = InputName(a, input);
  if (level >= 256) {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
    level = 255;
  } else if (level < 0) {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.0f);
    level = 0;
  }
  return level;
}

void ColorBytes(const TColor& c, uint8_t out[4]) {
  const auto byte = [](double v) { return static_cast<uint8_t>(std::clamp(frame::TruncateToInt(v * 255.0), 0, 255)); };
  out[0] = byte(c.B);
  out[1] = byte(c.G);
  out[2] = byte(c.R);
  out[3] = byte(c.A);
}

void DrawCoordinates(const RunArgs& a, double px, double py, TColor color) {
  double x = 0, y = 0;
  InvTransformPoint(a.ctx, px, py, &x, &y);
  char text[100];
  std::snprintf(text, sizeof text, "[%.2f, %.2f]", x, y);
  const std::u16string wide(text, text + std::char_traits<char>::length(text));
  DrawString(a.ctx, 50, wide.c_str(), px, py - 20.0, 0.0, 0, color);
}

bool CCentroid::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  CentroidScan scan;
  scan.level = WarnedLevel(a, kThresholdIn);
  WarnArray(a, kThresholdIn);
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  scan.negative = negativeIn && *negativeIn;
  WarnArray(a, kNegativeIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);
  const TColor color = GetDrawColor(a.ctx, 1);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  Frame* overlay = nullptr;
  const bool haveOverlay = show && GetOutputFrame(a.ctx, 63, u"overlay", &overlay, width, depth, 32) && overlay;
  const int drawingLevel = GetDrawingLevel(a.ctx);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  WarnArray(a, kRegionIn);
  if (haveOverlay && drawingLevel >= 1 && color.A != 0 && GetFrameBPP(overlay) == 32) {
    scan.overlay = FrameRows(overlay);
    ColorBytes(color, scan.color);
  }

  ScanRectangularRegion(frame, region, 1, &scan, CountCentroidPixel);

  TPoint* out = OutputElement<TPoint>(a, kCentroidOut, GetPoint, 0);
  if (!out) return true;
  SetOutputMaxIndex(a, kCentroidOut, 0);
  if (scan.weights == 0) return a.fail(u"Object not found");
  const double n = static_cast<double>(scan.weights);
  *out = {scan.sumX / n, scan.sumY / n};
  if (show) {
    DrawCircle(a.ctx, out->x, out->y, 2.0, GetDrawThickness(a.ctx, 1), color);
    if (drawingLevel == 2) DrawCoordinates(a, out->x, out->y, color);
  }
  return true;
}

}  // namespace gantrel
