// The drawings: the scan region, its scan lines and bar charts of the spectra.
#include <cmath>
#include <string>

#include "dft1.h"
#include "frame/text_format.h"

namespace uvarek {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

struct Rotation {
  explicit Rotation(double degrees) : c(std::cos(degrees * kRadiansPerDegree)), s(std::sin(degrees * kRadiansPerDegree)) {}
  void Apply(double x, double y, double* ox, double* oy) const { *ox = c * x - s * y, *oy = s * x + c * y; }
  double c, s;
};

}  // namespace

void CDFT1::DrawSpectrumChart(double cx, double cy, double width, double height, double angle, float baseline,
                              bool minText, bool maxSumText, const float* values, float range, float minimum,
                              float maximum, int first, int last) const {
  void* ctx = hostContext_;
  const TColor frameColour = GetDrawColor(ctx, 9);
  const double frameThick = GetDrawThickness(ctx, 9);
  DrawRectangle(ctx, cx, cy, width, height, angle, frameThick, frameColour);
  const Rotation r(angle);
  double dx, dy;
  r.Apply(-width / 2, -height / 2 + height * baseline, &dx, &dy);
  const double p0x = cx + dx, p0y = cy + dy;
  const TColor textColour = GetDrawColor(ctx, 3);
  if (baseline != 0) {
    r.Apply(width, 0, &dx, &dy);
    DrawLine(ctx, p0x, p0y, p0x + dx, p0y + dy, frameThick, frameColour);
    if (minText) {
      const std::u16string text = frame::FormatText(255, "min = %.2f", minimum);
      r.Apply(-width / 2, -height / 2 - 20, &dx, &dy);
      DrawString(ctx, 255, text.c_str(), cx + dx, cy + dy, 8.0, angle, textColour);
    }
  }
  if (maxSumText) {
    const std::u16string text = frame::FormatText(255, "max = %.2f", maximum) + frame::FormatText(255, "  sum = %.2f", sum_);
    r.Apply(-width / 2, height / 2 + 2, &dx, &dy);
    DrawString(ctx, 255, text.c_str(), cx + dx, cy + dy, 8.0, angle, textColour);
  }
  const int count = last - first + 1;
  if (count <= 0) return;
  double stepX, stepY, upX, upY, offX, offY;
  r.Apply(width / count, 0, &stepX, &stepY);
  r.Apply(0, height, &upX, &upY);
  r.Apply(width / (2.0 * count), 0, &offX, &offY);
  double px = p0x + offX, py = p0y + offY;
  const TColor barColour = GetDrawColor(ctx, 10);
  const double barThick = GetDrawThickness(ctx, 10);
  for (int i = first; i <= last; ++i) {
    const double f = values[i] / range;
    DrawLine(ctx, px, py, px + upX * f, py + upY * f, barThick, barColour);
    px += stepX, py += stepY;
  }
}

void CDFT1::DrawTransformResults() const {
  void* ctx = hostContext_;
  const TRectangularRegion& s = scanRegion_;
  DrawRectangle(ctx, s.cx, s.cy, s.width, s.height, s.angle, GetDrawThickness(ctx, 2), GetDrawColor(ctx, 2));
  for (int i = 0; i < lineCount_; ++i) {
    if (!lineScanned_[i]) continue;
    const double* e = &lineEnds_[4 * static_cast<size_t>(i)];
    DrawLine(ctx, e[0], e[1], e[2], e[3], GetDrawThickness(ctx, 0), GetDrawColor(ctx, 0));
  }
  const float range = minimum_ < 0 ? maximum_ - minimum_ : maximum_;
  const TRectangularRegion& d = drawingRegion_;
  if (kind_ == kDct) {
    const float baseline = minimum_ < 0 ? -minimum_ / range : 0.0f;
    DrawSpectrumChart(d.cx, d.cy, d.width, d.height, d.angle, baseline, true, true, amplitude_.data(), range, minimum_,
                      maximum_, 0, l_ - 1);
    return;
  }
  // Two charts in the drawing region's own axes: amplitudes above, phases below.
  FloatMatrix3x3 m;
  FloatMatrix3x3Identity(&m);
  FloatMatrix3x3Rotate(&m, static_cast<float>(d.angle * kRadiansPerDegree));
  const FloatVec2 centre = InitFloatVec2(static_cast<float>(d.cx), static_cast<float>(d.cy));
  const FloatVec2 upper = FloatVec2Add(
      FloatVec2Transform3x3(&m, InitFloatVec2(0, static_cast<float>(4.5 * d.height / 21))), centre);
  const FloatVec2 lower = FloatVec2Add(
      FloatVec2Transform3x3(&m, InitFloatVec2(0, static_cast<float>(-6.5 * d.height / 21))), centre);
  const int first = kind_ == kFft ? begin_ : 0, last = kind_ == kFft ? end_ : l_ - 1;
  DrawSpectrumChart(upper.x, upper.y, d.width, 12 * d.height / 21, d.angle, 0.0f, false, true, amplitude_.data(), range,
                    minimum_, maximum_, first, last);
  const bool negative = phaseMinimum_ < 0;
  const float phaseRange = negative ? phaseMaximum_ - phaseMinimum_ : phaseMaximum_;
  const float baseline = negative ? -phaseMinimum_ / (phaseMaximum_ - phaseMinimum_) : 0.0f;
  DrawSpectrumChart(lower.x, lower.y, d.width, 8 * d.height / 21, d.angle, baseline, false, false, phase_.data(),
                    phaseRange, phaseMinimum_, phaseMaximum_, first, last);
}

}  // namespace uvarek
