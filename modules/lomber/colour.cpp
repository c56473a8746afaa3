#include "colour.h"

#include <algorithm>
#include <cmath>

#include "frame/hsl.h"
#include "frame/module_frame.h"

namespace lomber {

Hsl ToHsl(double r, double g, double b) {
  Hsl out;
  frame::RgbToHsl(r, g, b, &out.h, &out.s, &out.l);
  return out;
}

HueWindow MakeHueWindow(double c, double w) {
  HueWindow win;
  win.low1 = std::max(0.0, c - w);
  win.high1 = std::min(360.0, c + w);
  win.low2 = 360.0;
  win.high2 = 0.0;
  if (c - w < 0.0) {
    win.low2 = c - w + 360.0;
    win.high2 = 360.0;
  }
  if (c + w > 360.0) {  // overrides the wrap below 0 when both hold
    win.low2 = 0.0;
    win.high2 = c + w - 360.0;
  }
  return win;
}

bool HslWindowTest(double r, double g, double b, const HslLimits& lim, const HueWindow& window) {
  const Hsl p = ToHsl(r, g, b);
  return lim.minL <= p.l && p.l <= lim.maxL && lim.minS <= p.s && p.s <= lim.maxS && window.Contains(p.h);
}

DominantResult DominantHue(const int* histogram, int* smoothed) {
  // 1 - 0.7 in double is 0.30000000000000004; truncating after every step
  // makes that difference visible, so it is kept.
  const double a = 1.0 - 0.7;
  int backward[kHueBins + 1] = {};
  smoothed[0] = 0;
  smoothed[1] = static_cast<int>(a * histogram[1] + 0.7 * histogram[1]);
  for (int i = 2; i <= 360; ++i) smoothed[i] = static_cast<int>(a * histogram[i] + 0.7 * smoothed[i - 1]);
  backward[360] = static_cast<int>(a * histogram[360] + 0.7 * histogram[360]);
  for (int i = 359; i >= 1; --i) backward[i] = static_cast<int>(a * histogram[i] + 0.7 * backward[i + 1]);

  DominantResult out;
  int smoothedMax = 1;
  for (int i = 1; i <= 360; ++i) {
    smoothed[i] = (smoothed[i] + backward[i]) / 2;
    if (smoothed[i] >= smoothedMax) {  // the highest of equal peaks wins
      smoothedMax = smoothed[i];
      out.bin = i;
    }
  }
  for (int i = 0; i <= 360; ++i) smoothed[i] = static_cast<int>(static_cast<int64_t>(smoothed[i]) * 100 / smoothedMax);

  int high = out.bin;
  while (high <= 360 && smoothed[high] > 22) ++high;
  int low = out.bin;
  while (low > 0 && smoothed[low] > 22) --low;
  out.rangeHigh = high;
  out.rangeLow = low;
  return out;
}

}  // namespace lomber
