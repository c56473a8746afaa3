// Mean, deviation, extremes and signal-to-noise ratio of every region of
// the region array.
#include <cmath>
#include <string>

#include "frame/input_params.h"
#include "frame/text_format.h"
#include "objects.h"

namespace rombek {

namespace {

bool NoisePixel(void* user, int, int, unsigned v) {
  static_cast<CNoiseMonitor*>(user)->Add(v);
  return true;
}

}  // namespace

void CNoiseMonitor::Reset() {
  intSum = intSumSquares = 0;
  intMax = 0;
  intMin = UINT_MAX;
  count = 0;
  sum = sumSquares = 0;
  maximum = 0;
  minimum = 1.7976931348623157e308;
  snr = 0;
}

bool CNoiseMonitor::Run(const RunArgs& a) {
  hostContext = a.ctx;
  Frame* f = nullptr;
  if (!SourceFrame(a, &f)) return a.fail(kNoSourceFrame);
  const frame::ParamName regionName = frame::InputName(a, 1);
  int maxIndex = 0;
  if (regionName.ok && !GetObjectMaxIndex(a.ctx, 63, regionName.c_str(), &maxIndex)) maxIndex = 0;
  const bool show = frame::FlagOr(a, 2, true, true);
  if (maxIndex < 0) return false;

  frame::ParamName outputs[5];
  for (int k = 0; k < 5; ++k) outputs[k] = frame::OutputName(a, k);

  bool result = true;
  for (int j = 0; j <= maxIndex; ++j) {
    TRectangularRegion r = WholeFrame(f);
    const bool hasRegion = ReadRegion(a, 1, j, &r);
    Reset();
    ScanRectangularRegion(f, hasRegion ? &r : nullptr, 1, this, NoisePixel);
    if (count == 0) {
      result = a.fail(kPixelsUndefined);
      continue;
    }
    result = true;
    sum = static_cast<double>(intSum);
    sumSquares = static_cast<double>(intSumSquares);
    maximum = static_cast<float>(intMax);
    minimum = static_cast<float>(intMin);
    mean = sum / count;
    // Rounding can leave the variance a hair below 0.
    deviation = std::sqrt(std::max(0.0, sumSquares / count - mean * mean));
    snr = deviation == 0 ? 100 : 20 * std::log(static_cast<float>((maximum - minimum) / deviation));
    if (show) Draw(r);
    const double values[5] = {mean, deviation, maximum, minimum, snr};
    for (int k = 0; k < 5; ++k) {
      double* p = nullptr;
      if (outputs[k].ok && GetNumber(a.ctx, 63, outputs[k].c_str(), j, &p) && p) *p = values[k];
    }
  }
  return result;
}

void CNoiseMonitor::Draw(const TRectangularRegion& r) const {
  void* ctx = hostContext;
  DrawRectangle(ctx, r.cx, r.cy, r.width, r.height, r.angle, GetDrawThickness(ctx, 2), GetDrawColor(ctx, 2));
  const std::u16string texts[5] = {
      frame::FormatText(63, "mean = %.2f", mean),    frame::FormatText(63, "STD = %.2f", deviation),
      frame::FormatText(63, "max = %.2f", maximum),  frame::FormatText(63, "min = %.2f", minimum),
      frame::FormatText(63, "SNR = %.2f dB", snr),
  };
  const TColor c = GetDrawColor(ctx, 3);
  const double x = r.cx + r.width / 2 + 5;
  for (int k = 0; k < 5; ++k) {
    DrawString(ctx, static_cast<int>(texts[k].size()), texts[k].c_str(), x, r.cy + r.height / 2 - 16.0 * (k + 1), 0.0,
               0.0, c);
  }
}

}  // namespace rombek
