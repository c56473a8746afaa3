// Red, green and blue histograms of a region, normalised by the largest count.
#include <algorithm>
#include <cmath>

#include "frame/input_params.h"
#include "objects.h"

namespace rombek {

namespace {

bool GreyPixel(void* user, int, int, unsigned v) {
  static_cast<CHistogram*>(user)->CountGrey(v);
  return true;
}

bool ColourPixel(void* user, int, int, unsigned v) {
  static_cast<CHistogram*>(user)->CountColour(v);
  return true;
}

}  // namespace

bool CHistogram::Run(const RunArgs& a) {
  hostContext = a.ctx;
  std::fill(std::begin(red), std::end(red), 0u);
  std::fill(std::begin(green), std::end(green), 0u);
  std::fill(std::begin(blue), std::end(blue), 0u);
  maxCount = 0;
  Frame* f = nullptr;
  if (!SourceFrame(a, &f)) return a.fail(kNoSourceFrame);
  region = drawingRegion = WholeFrame(f);
  const bool hasRegion = ReadRegion(a, 1, 0, &region);
  if (const frame::ParamName n = frame::InputName(a, 1); n.ok) frame::WarnArrayInput(a.ctx, 63, n.c_str());
  ReadRegion(a, 2, 0, &drawingRegion);
  if (const frame::ParamName n = frame::InputName(a, 2); n.ok) frame::WarnArrayInput(a.ctx, 63, n.c_str());
  const bool show = frame::FlagOr(a, 3, true, true);

  frame::ParamName outputs[3];
  for (int k = 0; k < 3; ++k) {
    outputs[k] = frame::OutputName(a, k);
    double* p = nullptr;
    if (outputs[k].ok && !(GetNumber(a.ctx, 63, outputs[k].c_str(), 0, &p) && p)) outputs[k].ok = false;
  }

  const int bpp = GetFrameBPP(f);
  // Mode 0 packs a 24-bit pixel as R, G, B in bits 16-23, 8-15, 0-7 as it does a
  // 32-bit one, so both count alike.
  colour = bpp == 24 || bpp == 32;
  if (bpp == 8) ScanRectangularRegion(f, hasRegion ? &region : nullptr, 1, this, GreyPixel);
  if (colour) ScanRectangularRegion(f, hasRegion ? &region : nullptr, 0, this, ColourPixel);
  if (bpp == 8) {
    std::copy(std::begin(red), std::end(red), green);
    std::copy(std::begin(red), std::end(red), blue);
  }
  for (int i = 0; i < 256; ++i) maxCount = std::max({maxCount, red[i], green[i], blue[i]});

  const float scale = maxCount ? 1.0f / static_cast<float>(maxCount) : 1.0f;
  for (int i = 0; i < 256; ++i) {
    redNorm[i] = red[i] * scale;
    greenNorm[i] = green[i] * scale;
    blueNorm[i] = blue[i] * scale;
  }
  if (show) Draw();
  const float* curves[3] = {redNorm, greenNorm, blueNorm};
  for (int k = 0; k < 3; ++k) {
    if (!outputs[k].ok) continue;
    for (int i = 0; i < 256; ++i) {
      double* p = nullptr;
      if (GetNumber(a.ctx, 63, outputs[k].c_str(), i, &p) && p) *p = curves[k][i];
    }
  }
  return true;
}

// The three curves over the drawing region, in its own axes.
void CHistogram::Draw() const {
  void* ctx = hostContext;
  const TRectangularRegion& d = drawingRegion;
  DrawRectangle(ctx, d.cx, d.cy, d.width, d.height, d.angle, GetDrawThickness(ctx, 2), GetDrawColor(ctx, 2));
  const double a = d.angle * 3.14159265358979323846 / 180;
  const double c = std::cos(a), s = std::sin(a);
  const auto at = [&](int i, float v, double* x, double* y) {
    const double u = -d.width / 2 + d.width * i / 255.0, w = -d.height / 2 + d.height * v;
    *x = d.cx + u * c - w * s;
    *y = d.cy + u * s + w * c;
  };
  const float* curves[3] = {redNorm, greenNorm, blueNorm};
  const TColor colours[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  const double t = GetDrawThickness(ctx, 1);
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 255; ++i) {
      double x0, y0, x1, y1;
      at(i, curves[k][i], &x0, &y0);
      at(i + 1, curves[k][i + 1], &x1, &y1);
      DrawLine(ctx, x0, y0, x1, y1, t, colours[k]);
    }
  }
}

}  // namespace rombek
