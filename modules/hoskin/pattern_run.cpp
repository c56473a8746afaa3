// One run of the pattern method: its inputs, the keypoint passes inside the
// GPU bracket, the grid steps and the drawings. It writes no output.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "detectors.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"
#include "run_inputs.h"

namespace hoskin {

namespace {

// Points a scale must have for a grid.
constexpr int kMinScalePoints = 20;
constexpr float kMaxThreshold = 200;
// Debug circles: this share of the scale's size.
constexpr double kCircleRadius = 0.6;

// |v| bounded to the threshold's range, with a warning when it was above.
float Threshold(const frame::RunArgs& a, const frame::ParamName& n, double v) {
  float t = static_cast<float>(std::fabs(v));
  if (t > kMaxThreshold) {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), t, kMaxThreshold);
    t = kMaxThreshold;
  }
  return t;
}

void ReadThresholds(const frame::RunArgs& a, float thresholds[8]) {
  const frame::ParamName n = frame::InputName(a, 2);
  double v = 0;
  if (!Number(a, n, 0, &v)) {
    for (int i = 0; i < 8; ++i) thresholds[i] = 0.5f;
    return;
  }
  const float first = Threshold(a, n, v);
  for (int i = 0; i < 8; ++i) thresholds[i] = first;
  int highest = 0;
  if (!GetObjectMaxIndex(a.ctx, 63, n.c_str(), &highest)) return;
  for (int i = 1; i <= std::min(highest, 7); ++i) {
    if (Number(a, n, i, &v)) thresholds[i] = Threshold(a, n, v);
  }
}

void DrawClosed(void* ctx, const float* xy, int count, double thickness, TColor color) {
  if (count < 2) return;
  for (int k = 0; k < count; ++k) {
    const int next = (k + 1) % count;
    DrawLine(ctx, xy[2 * k], xy[2 * k + 1], xy[2 * next], xy[2 * next + 1], thickness, color);
  }
}

}  // namespace

void CDatamatrixDetector::ReleaseGpu(void* hostContext) {
  if (!gpuReady) return;
  // Answers are ignored; without a lent context nothing is deleted.
  gpu::Bracket release(hostContext);
  if (release.Lend()) pattern.Release();
  release.Send(u"*_URC");
}

bool CDatamatrixDetector::Run(const frame::RunArgs& a) {
  if (!usable) {
    gpu::CopyError(message, a.errLen, a.errBuf);
    return false;
  }
  Frame* f = nullptr;
  if (!frame::InputFrame(a, 0, &f) || !f) return a.fail(u"Cannot get source frame");
  const int width = GetFrameWidth(f), height = std::abs(GetFrameDepth(f));
  const int bpp = GetFrameBPP(f);
  const uint8_t* pixels = GetFrameDataAddr(f);
  TRectangularRegion scanned{};
  TRectangularRegion* region = frame::RegionOf(a, 1, &scanned, true) ? &scanned : nullptr;
  ReadThresholds(a, thresholds);
  debugContent = frame::IntInRange(a, 3, 0, 0, 2, true);
  drawOutputs = frame::FlagOr(a, 4, true, true) ? 1 : 0;

  gpu::Bracket bracket(a.ctx, f, f, a.errLen, a.errBuf);
  bracket.Lend();
  bracket.Send(u"*_IRE");
  // Without the host's context no GL call is made and nothing is drawn.
  const bool gl = bracket.glUsable();
  if (gl && needsSetup) {
    if (!gpu::CheckGpuCapabilities(messageCapacity, message) ||
        !pattern.Setup(width, height, bpp, messageCapacity, message)) {
      gpu::CopyError(message, a.errLen, a.errBuf);
      usable = 0;
      bracket.Send(u"*_URC");
      return false;
    }
    gpuReady = 1;
  }
  if (gl) {
    // A new size resizes the targets here; the programs stay.
    pattern.UploadIntegralImage(width, height, bpp, pixels, thresholds, 0);
    pattern.Render(region);
    if (region && drawOutputs) {
      DrawRectangle(a.ctx, region->cx, region->cy, region->width, region->height, region->angle,
                    GetDrawThickness(a.ctx, 2), GetDrawColor(a.ctx, 2));
    }
  }
  bracket.Send(u"*_FRE");
  bracket.Send(u"*_URC");
  if (!gl) return false;
  needsSetup = 0;

  const TColor color = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  if (drawOutputs && debugContent == 1) {
    for (int i = 0; i < CFeaturePattern::kScales; ++i) {
      const double radius = kCircleRadius * pattern.scaleValue[i];
      for (gpu::CListElem* e = pattern.scalePoints[i].head; e; e = e->next) {
        const FloatVec2& p = static_cast<CFeatureScaleResultListElem*>(e)->position;
        DrawCircle(a.ctx, p.x, p.y, radius, thickness, color);
      }
    }
  }

  pattern.BuildScaleGrids(kMinScalePoints);
  pattern.FilterGrids(1, true);
  pattern.BuildRegions();
  for (gpu::CListElem* e = pattern.patternRegions.head; e; e = e->next) {
    ComputeRegionRectangle(static_cast<CFeatureRegionListElem*>(e));
  }

  if (drawOutputs && debugContent == 1) {
    for (int i = 0; i < CFeaturePattern::kScales; ++i) {
      if (!pattern.gridUsed[i]) continue;
      const double s = pattern.scaleValue[i];
      const int columns = pattern.gridColumns[i];
      for (size_t cell = 0; cell < pattern.grid[i].size(); ++cell) {
        if (pattern.grid[i][cell] == -1) continue;
        const double cx = static_cast<double>(cell % columns) * s + s / 2;
        const double cy = static_cast<double>(cell / columns) * s + s / 2;
        DrawRectangle(a.ctx, cx, cy, s, s, 0, thickness, color);
      }
    }
  }
  if (drawOutputs && (debugContent == 1 || debugContent == 2)) {
    for (gpu::CListElem* e = pattern.patternRegions.head; e; e = e->next) {
      const auto* r = static_cast<const CFeatureRegionListElem*>(e);
      DrawClosed(a.ctx, r->hull.get(), r->hullCount, thickness, color);
      DrawClosed(a.ctx, r->corners, 4, thickness, color);
    }
  }
  pattern.patternRegions.DeleteAll();
  return bracket.ok();
}

}  // namespace hoskin
