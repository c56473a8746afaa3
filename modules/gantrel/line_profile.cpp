#include <cmath>

#include "segment.h"

namespace gantrel {

namespace {

enum ProfileInput { kFrameIn, kLineIn, kDrawingRegionIn, kShowIn };
enum ProfileOutput { kCountOut, kRedOut, kGreenOut, kBlueOut };

bool CollectColorProfileSample(void* user, int, int, unsigned value) {
  static_cast<CLineProfile*>(user)->Collect(value);
  return true;
}

FloatVec2 Scaled(FloatVec2 v, float s) { return InitFloatVec2(v.x * s, v.y * s); }

}  // namespace

void CLineProfile::Collect(unsigned value) {
  if (bitsPerPixel_ == 8) {
    const float v = static_cast<float>(value) / 255.0f;
    red_.push_back(v);
    green_.push_back(v);
    blue_.push_back(v);
  } else {
    red_.push_back(static_cast<float>((value >> 16) & 0xFF) / 255.0f);
    green_.push_back(static_cast<float>((value >> 8) & 0xFF) / 255.0f);
    blue_.push_back(static_cast<float>(value & 0xFF) / 255.0f);
  }
}

bool CLineProfile::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const TLine* lineIn = InputElement<TLine>(a, kLineIn, GetLine);
  if (!lineIn) return a.fail(u"error: Cannot get input line");
  const TLine line = *lineIn;
  WarnArray(a, kLineIn);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  TRectangularRegion area{width / 2.0, depth / 2.0, double(width), double(depth), 0.0};
  if (const TRectangularRegion* r = InputElement<TRectangularRegion>(a, kDrawingRegionIn, GetRectangularRegion)) area = *r;
  WarnArray(a, kDrawingRegionIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);

  red_.clear();
  green_.clear();
  blue_.clear();
  bitsPerPixel_ = GetFrameBPP(frame);
  // Failing without a text left the host nothing to show.
  if (bitsPerPixel_ != 8 && bitsPerPixel_ != 32) return a.fail(u"error: Input frame must have 8 or 32 bits per pixel");
  ScanLine(frame, nullptr, &line, bitsPerPixel_ == 8 ? 1 : 0, this, CollectColorProfileSample);

  const int count = static_cast<int>(red_.size());
  if (double* c = OutputElement<double>(a, kCountOut, GetNumber, 0)) *c = count;
  SetOutputMaxIndex(a, kCountOut, 0);
  const std::vector<float>* channels[] = {&red_, &green_, &blue_};
  for (int ch = 0; ch < 3; ++ch) {
    const std::vector<float>& values = *channels[ch];
    for (int i = 0; i < count; ++i) {
      if (double* v = OutputElement<double>(a, kRedOut + ch, GetNumber, i)) *v = values[i];
    }
    SetOutputMaxIndex(a, kRedOut + ch, count - 1);
  }

  if (show) {
    DrawArrow(a.ctx, line.x0, line.y0, line.x1, line.y1, GetDrawThickness(a.ctx, 0), GetDrawColor(a.ctx, 0));
    DrawRectangle(a.ctx, area.cx, area.cy, area.width, area.height, area.angle, GetDrawThickness(a.ctx, 9),
                  GetDrawColor(a.ctx, 9));
    if (count > 1) {
      FloatMatrix3x3 m;
      FloatMatrix3x3Identity(&m);
      // The region's angle is in degrees; the rotation takes radians.
      FloatMatrix3x3Rotate(&m, static_cast<float>(area.angle * (M_PI / 180.0)));
      const float w = static_cast<float>(area.width), d = static_cast<float>(area.height);
      const FloatVec2 origin = FloatVec2Add(FloatVec2Transform3x3(&m, InitFloatVec2(-w / 2, -d / 2)),
                                            InitFloatVec2(static_cast<float>(area.cx), static_cast<float>(area.cy)));
      const FloatVec2 step = FloatVec2Transform3x3(&m, InitFloatVec2(w / static_cast<float>(count - 1), 0.0f));
      const FloatVec2 up = FloatVec2Transform3x3(&m, InitFloatVec2(0.0f, d));
      const double thickness = GetDrawThickness(a.ctx, 1);
      const TColor colors[] = {{1, 0, 0, 0.65}, {0, 0.8, 0, 0.65}, {0, 0, 0.6, 0.65}};
      for (int ch = 0; ch < 3; ++ch) {
        const std::vector<float>& values = *channels[ch];
        const auto at = [&](int i) {
          return FloatVec2Add(FloatVec2Add(origin, Scaled(step, static_cast<float>(i))), Scaled(up, values[i]));
        };
        FloatVec2 from = at(0);
        for (int i = 1; i < count; ++i) {
          const FloatVec2 to = at(i);
          DrawLine(a.ctx, from.x, from.y, to.x, to.y, thickness, colors[ch]);
          from = to;
        }
      }
    }
  }
  return true;
}

}  // namespace gantrel
