#include "color_stat.h"

#include <algorithm>

namespace gantrel {

namespace {

enum { kFrameIn, kRegionIn };
enum { kMinOut, kMaxOut, kAverageOut };

constexpr std::u16string_view kNoPixels =
    u"error: No pixels were analyzed. Region is defined out of frame or all the pixels inside have alpha channel less "
    u"than 127";

}  // namespace

bool CColorStat::CollectColorStatistics(void* user, int, int, unsigned value) {
  auto* s = static_cast<CColorStat*>(user);
  if (!s) return false;
  unsigned channel[4];
  int channels = 1;
  if (s->bpp_ == 32 || s->bpp_ == 24) {
    // 24-bit pixels come packed with an opaque alpha.
    if ((value >> 24) <= 127) return true;  // transparent pixels are not counted
    channel[0] = (value >> 16) & 0xFF;
    channel[1] = (value >> 8) & 0xFF;
    channel[2] = value & 0xFF;
    channel[3] = value >> 24;
    channels = 4;
  } else {
    channel[0] = value;
  }
  for (int c = 0; c < channels; ++c) {
    s->sum_[c] += channel[c];
    s->max_[c] = std::max(s->max_[c], channel[c]);
    s->min_[c] = std::min(s->min_[c], channel[c]);
  }
  ++s->count_;
  return true;
}

bool CColorStat::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  bpp_ = GetFrameBPP(frame);
  int last = 0;
  if (!InputMaxIndex(a, kRegionIn, &last)) last = 0;
  for (int out : {kMinOut, kMaxOut, kAverageOut}) {
    if (OutputElement<TColor>(a, out, GetColor, 0)) SetOutputMaxIndex(a, out, last);
  }
  for (int i = 0; i <= last; ++i) {
    const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion, i);
    std::fill(std::begin(sum_), std::end(sum_), 0);
    std::fill(std::begin(min_), std::end(min_), 255u);
    std::fill(std::begin(max_), std::end(max_), 0u);
    count_ = 0;
    if (bpp_ == 32 || bpp_ == 24) {
      ScanRectangularRegion(frame, region, 5, this, CollectColorStatistics);
    } else if (bpp_ == 8) {
      ScanRectangularRegion(frame, region, 1, this, CollectColorStatistics);
    }
    if (count_ < 1) return a.fail(kNoPixels);
    TColor lo, hi, mean;
    const double n = static_cast<double>(count_);
    if (bpp_ == 32 || bpp_ == 24) {
      lo = {min_[0] / 255.0, min_[1] / 255.0, min_[2] / 255.0, min_[3] / 255.0};
      hi = {max_[0] / 255.0, max_[1] / 255.0, max_[2] / 255.0, max_[3] / 255.0};
      mean = {sum_[0] / n / 255.0, sum_[1] / n / 255.0, sum_[2] / n / 255.0, sum_[3] / n / 255.0};
    } else {
      const double g = sum_[0] / n / 255.0;
      lo = {min_[0] / 255.0, min_[0] / 255.0, min_[0] / 255.0, 1.0};
      hi = {max_[0] / 255.0, max_[0] / 255.0, max_[0] / 255.0, 1.0};
      mean = {g, g, g, 1.0};
    }
    if (TColor* p = OutputElement<TColor>(a, kMinOut, GetColor, i)) *p = lo;
    if (TColor* p = OutputElement<TColor>(a, kMaxOut, GetColor, i)) *p = hi;
    if (TColor* p = OutputElement<TColor>(a, kAverageOut, GetColor, i)) *p = mean;
  }
  return true;
}

}  // namespace gantrel
