#include "defects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gantrel {

namespace {

enum DefectsInput { kFrameIn, kRegionIn, kLinesIn, kGradientIn, kFilteredIn, kDamageIn, kShowIn };
enum DefectsOutput { kCountOut, kPositionsOut };

constexpr std::u16string_view kUnsuitable = u"error: Input frame does not have suitable characteristics";

bool CollectBorderEdgePoint(void* user, int x, int y, unsigned) {
  auto* record = static_cast<BorderScanRecord*>(user);
  // The owner is the method object; its border part holds the samples.
  CBorderDetection* bd = static_cast<CDefects*>(record->owner);
  const int i = ++record->index;
  if (i >= bd->sampleCapacity && !bd->GrowSamples(i + 256)) return true;
  bd->sampleX[i] = bd->sampleY[i] = bd->sampleContrast[i] = 0;
  int contrast = 0;
  if (!CBorderDetection::CountEdgeContrast(record->frame, x, y, &contrast) || contrast <= record->threshold) {
    return true;
  }
  bd->sampleContrast[i] = contrast;
  bd->sampleX[i] = x;
  bd->sampleY[i] = y;
  return true;
}

}  // namespace

float CDefects::Turn(float from, float to) {
  float t = to - from;
  if (t < -180.0f) t += 360.0f;
  if (t > 180.0f) t -= 360.0f;
  return t;
}

bool CDefects::EnsureMarkFrame(int width, int depth) {
  if (markStore_.empty() || width != frameWidth_ || depth != frameDepth_) {
    const int bytes = GetFrameSizeParam(width, depth, 8);
    if (bytes <= 0) return false;
    markStore_.assign((static_cast<size_t>(bytes) + 7) / 8, 0);
    InitFrameDIB(markStore_.data(), width, depth, 8);
    frameWidth_ = width;
    frameDepth_ = depth;
  }
  const FrameRows rows(reinterpret_cast<Frame*>(markStore_.data()));
  for (int y = 0; y < rows.depth; ++y) std::memset(rows.row(y), CBorderDetection::kFree, rows.stride);
  return true;
}

float CDefects::Direction(int i, int n) const {
  // 64-bit sums: n x Sxx passes 2^31 for x above a few thousand.
  int64_t sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  for (int k = i - n + 1; k <= i; ++k) {
    const int64_t x = traceX_[k], y = traceY_[k];
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
    syy += y * y;
  }
  const int xOld = traceX_[i - n], yOld = traceY_[i - n], xNew = traceX_[i], yNew = traceY_[i];
  constexpr double kDegrees = 57.29577951308232;
  const int64_t dx = n * sxx - sx * sx;
  const float meanX = static_cast<float>(sx) / static_cast<float>(n);
  float spread = 0.0f;
  for (int k = i - n + 1; k <= i; ++k) {
    const float d = static_cast<float>(traceX_[k]) - meanX;
    spread += d * d;
  }
  const float deviation = std::sqrt(spread / static_cast<float>(n));
  if (std::llabs(dx) >= 3 * n && deviation >= 0.055f * static_cast<float>(n)) {
    const double m = static_cast<double>(n * sxy - sx * sy) / static_cast<double>(dx);
    const double a = std::atan(m) * kDegrees;
    if (m > 0) return static_cast<float>(yOld < yNew || xOld < xNew ? a : a - 180.0);
    return static_cast<float>(xOld < xNew || yNew < yOld ? a : a + 180.0);
  }
  const int64_t dy = n * syy - sy * sy;
  const double m = std::llabs(dy) >= 1 ? -static_cast<double>(n * sxy - sx * sy) / static_cast<double>(dy) : 0.0;
  const double a = std::atan(m) * kDegrees;
  if (m > 0) return static_cast<float>(xOld > xNew || yOld < yNew ? a + 90.0 : a - 90.0);
  return static_cast<float>(yNew <= yOld && xOld >= xNew ? a - 90.0 : a + 90.0);
}

bool CDefects::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  WarnArray(a, kRegionIn);

  int gradientLevel = 72;
  if (const double* p = NumberInput(a, kGradientIn)) {
    gradientLevel = frame::TruncateToInt(*p * 360.0);
    const ParamName n = InputName(a, kGradientIn);
    if (gradientLevel > 360) {
      gradientLevel = 360;
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
    } else if (gradientLevel < 36) {
      gradientLevel = 36;
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.1f);
    }
  }
  WarnArray(a, kGradientIn);
  int lines = 1;
  if (const double* p = NumberInput(a, kLinesIn)) {
    const int asked = frame::TruncateToInt(*p);
    const int most = std::min(frame::TruncateToInt(AcrossRegion(frame, region)), kMaxOutputElements);
    lines = std::max(std::min(asked, most), 1);
    if (lines != asked) WarnIntCorrected(a, kLinesIn, asked, lines);
  }
  WarnArray(a, kLinesIn);
  int n = 10;
  if (const double* p = NumberInput(a, kFilteredIn)) {
    n = frame::TruncateToInt(*p);
    if (n < 5) {
      WarnIntCorrected(a, kFilteredIn, n, 5);
      n = 5;
    }
  }
  WarnArray(a, kFilteredIn);
  float damage = 15.0f;
  if (const double* p = NumberInput(a, kDamageIn)) damage = static_cast<float>(*p * 80.0);
  WarnArray(a, kDamageIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);

  FrameRows overlay;
  if (show) {
    Frame* f = nullptr;
    if (GetOutputFrame(a.ctx, 63, u"overlay", &f, width, depth, 32) && f && GetFrameWidth(f) == width &&
        GetFrameDepth(f) == depth && GetFrameBPP(f) == 32) {
      overlay = FrameRows(f);
    }
  }
  if (!EnsureMarkFrame(width, depth)) return a.fail(kUnsuitable);
  Frame* mark = reinterpret_cast<Frame*>(markStore_.data());

  int endCount = -1;
  int lengths[kLabelSlots];
  bool valid[kLabelSlots], open[kLabelSlots];
  DetectBorderInRectRegion(frame, mark, region, static_cast<CDefects*>(this), nullptr, gradientLevel, lines, 0, 0,
                           false, CollectBorderEdgePoint, &endCount, lengths, valid, open);
  if (endCount < 0) return a.fail(kUnsuitable);

  // Only border 0 is evaluated. Walked pixels take the object count as their
  // mark, which is no border's label, so the walk never turns back on itself
  // and ends after at most every pixel of the border.
  const int label = 0;
  const unsigned walked = static_cast<unsigned>(objectCount);
  int x = static_cast<int>(endPoints[0].x), y = static_cast<int>(endPoints[0].y);
  int prevX = -1, prevY = -1;
  AddPixelValue(mark, x, y, walked);
  traceX_.clear();
  traceY_.clear();
  directions_.clear();
  while (ScanBorder(mark, mark, label, &prevX, &prevY, &x, &y)) {
    traceX_.push_back(x);
    traceY_.push_back(y);
    if (overlay.frame && x >= 0 && y >= 0 && x < overlay.width && y < overlay.depth) {
      uint8_t* px = overlay.row(y) + 4 * x;
      px[0] = 0;
      px[1] = 255;
      px[2] = 0;
      px[3] = 255;
    }
    AddPixelValue(mark, x, y, walked);
    const int i = static_cast<int>(traceX_.size()) - 1;
    if (i >= n && i % 2 == 0) directions_.push_back(Direction(i, n));
  }

  turns_.clear();
  for (size_t k = 0; k + 1 < directions_.size(); ++k) turns_.push_back(Turn(directions_[k], directions_[k + 1]));

  defects_.clear();
  const int half = n / 2;
  const int last = static_cast<int>(turns_.size()) - 1;
  const int lastPixel = static_cast<int>(traceX_.size()) - 1;
  const auto pixelOf = [&](int k) { return std::min(half + 2 * k + 3, lastPixel); };
  const double thickness = GetDrawThickness(a.ctx, 1);
  const TColor color = GetDrawColor(a.ctx, 1);
  float sum = 0.0f;
  bool inDefect = false;
  for (int k = 0; k <= last; ++k) {
    sum += turns_[k];
    if (k >= half) sum -= turns_[k - half];
    if (!inDefect && std::fabs(sum) > damage) {
      inDefect = true;
      const int p = pixelOf(k);
      defects_.push_back({double(traceX_[p]), double(traceY_[p]), 0.0, 0.0});
    }
    if (inDefect && (std::fabs(sum) < 0.7f * damage || k == last)) {
      inDefect = false;
      const int p = pixelOf(k);
      TLine& d = defects_.back();
      d.x1 = traceX_[p];
      d.y1 = traceY_[p];
      if (show) DrawLine(a.ctx, d.x0, d.y0, d.x1, d.y1, thickness, color);
    }
  }

  const int count = static_cast<int>(defects_.size());
  if (double* c = OutputElement<double>(a, kCountOut, GetNumber, 0)) *c = count;
  SetOutputMaxIndex(a, kCountOut, 0);
  OutputElement<TLine>(a, kPositionsOut, GetLine, 0);
  SetOutputMaxIndex(a, kPositionsOut, count - 1);
  for (int k = 0; k < count; ++k) {
    if (TLine* l = OutputElement<TLine>(a, kPositionsOut, GetLine, k)) *l = defects_[k];
  }
  return true;
}

}  // namespace gantrel
