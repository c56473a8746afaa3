#include "ocr/dir_text.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "frame/input_params.h"
#include "frame/image_stats.h"
#include "region_in_frame.h"
#include "ocr/text_angle_choice.h"

namespace kelmar {

namespace {

enum Input { kInFrame = 0, kInRegion = 1, kInThreshold = 2, kInNegative = 3 };

constexpr std::u16string_view kNoText = u"Text not found";

struct CopyRecord {
  uint8_t* rows;
  int side;
  ptrdiff_t stride;
  double cx, cy;
};

// Region pixels go to the work frame with the region's centre at its centre.
bool CopyRegionPixel(void* user, int x, int y, unsigned value) {
  const CopyRecord* c = static_cast<const CopyRecord*>(user);
  const int row = static_cast<int>(y - c->cy + c->side / 2.0);
  const int col = x - static_cast<int>(c->cx) + static_cast<int>(c->side / 2.0);
  if (row >= 0 && row < c->side && col >= 0 && col < c->side) c->rows[row * c->stride + col] = static_cast<uint8_t>(value);
  return true;
}

// One worker's scan state: the threshold, the polarity and its own hit flag.
struct ScanRecord {
  int threshold;
  bool negative;
  bool hit;
};

bool DetectTextPixel(void* user, int, int, unsigned value) {
  ScanRecord* s = static_cast<ScanRecord*>(user);
  const int v = static_cast<int>(value);
  if (s->negative ? v < s->threshold : v > s->threshold) return true;
  s->hit = true;
  return false;
}

}  // namespace

bool CMatchDirText::Run(const frame::RunArgs& a) {
  Frame* input = nullptr;
  if (!frame::InputFrame(a, kInFrame, &input)) return a.fail(u"error: Cannot get input frame");
  const int width = GetFrameWidth(input), depth = GetFrameDepth(input);

  TRectangularRegion region{width * 0.5, depth * 0.5, static_cast<double>(width), static_cast<double>(depth), 0.0};
  const frame::ParamName regionName = frame::InputName(a, kInRegion);
  int maxIndex = -1;
  if (regionName.ok && GetObjectMaxIndex(a.ctx, 63, regionName.c_str(), &maxIndex) && maxIndex >= 0) {
    TRectangularRegion* r = nullptr;
    if (!GetRectangularRegion(a.ctx, 63, regionName.c_str(), 0, &r) || !r) return false;
    region = RegionPartInFrame(*r, width, depth);
    frame::WarnArrayInput(a.ctx, 63, regionName.c_str());
  }

  float threshold = 0;
  const frame::ParamName thresholdName = frame::InputName(a, kInThreshold);
  double* t = nullptr;
  // Not a number counts as not given: the threshold is then automatic.
  if (thresholdName.ok && GetNumber(a.ctx, 63, thresholdName.c_str(), 0, &t) && t && !std::isnan(*t)) {
    const float v = static_cast<float>(*t);
    if (v > 1) {
      frame::WarnRealParameterCorrected(a.ctx, 63, thresholdName.c_str(), v, 1.0f);
      threshold = 255;
    } else if (v < 0) {
      frame::WarnRealParameterCorrected(a.ctx, 63, thresholdName.c_str(), v, 0.0f);
      threshold = 0;
    } else {
      threshold = v * 255.0f;
    }
    frame::WarnArrayInput(a.ctx, 63, thresholdName.c_str());
  } else {
    threshold = static_cast<float>(frame::AutoThreshold(input, &region));
    // 0 is a plain region: no text to take a direction from.
    if (threshold == 0) return a.fail(kNoText);
  }

  bool negative = false;
  const frame::ParamName negativeName = frame::InputName(a, kInNegative);
  bool* flag = nullptr;
  if (negativeName.ok && GetFlag(a.ctx, 63, negativeName.c_str(), 0, &flag) && flag) {
    negative = *flag;
    frame::WarnArrayInput(a.ctx, 63, negativeName.c_str());
  }

  const double w = region.width, h = region.height;
  const int side = frame::TruncateToInt(std::sqrt(2 * (w * w + h * h)) + 3);
  const int lines = frame::TruncateToInt(std::sqrt(w * w + h * h) + 3);
  const ptrdiff_t stride = (side + 3) & ~3;
  workFrame_.assign(static_cast<size_t>(GetFrameSizeParam(side, side, 8)), 0);
  InitFrameDIB(workFrame_.data(), side, side, 8);
  Frame* work = reinterpret_cast<Frame*>(workFrame_.data());
  uint8_t* rows = GetFrameDataAddr(work);
  // The margins take the background's value of the polarity.
  for (int y = 0; y < side; ++y) std::memset(rows + y * stride, negative ? 0 : 255, static_cast<size_t>(side));
  CopyRecord copy{rows, side, stride, region.cx, region.cy};
  ScanRectangularRegion(input, &region, 1, &copy, CopyRegionPixel);

  int counts[kTrialAngles] = {};
  const int level = frame::TruncateToInt(threshold);
#pragma omp parallel for schedule(static)
  for (int i = 0; i < kTrialAngles; ++i) {
    const TRectangularRegion trial{static_cast<double>(side / 2), static_cast<double>(side / 2),
                                   static_cast<double>(lines), static_cast<double>(lines), region.angle + (i - 45)};
    ScanRecord scan{level, negative, false};
    int clear = 0;
    for (int line = lines - 1; line >= 0; --line) {
      int x0, y0, x1, y1;
      // A line the host cannot place is not counted.
      if (!GetScanRectangularRegionLine(work, &trial, lines, line, 0.0, &x0, &y0, &x1, &y1)) continue;
      const TLine l{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1),
                    static_cast<double>(y1)};
      scan.hit = false;
      ScanLine(work, &trial, &l, 1, &scan, DetectTextPixel);
      if (!scan.hit) ++clear;
    }
    counts[i] = clear;
  }

  // Equal counts at every angle (no line clear, or nothing in the way of any)
  // favour no direction.
  if (std::all_of(counts + 1, counts + kTrialAngles, [&](int c) { return c == counts[0]; })) return a.fail(kNoText);
  const double angle = ChooseTextAngle(counts);
  const frame::ParamName out = frame::OutputName(a, 0);
  double* p = nullptr;
  if (out.ok && GetNumber(a.ctx, 63, out.c_str(), 0, &p) && p) {
    *p = angle;
    SetObjectMaxIndex(a.ctx, 63, out.c_str(), 0);
  }
  return true;
}

}  // namespace kelmar
