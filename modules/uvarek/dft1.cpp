#include "dft1.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "frame/input_params.h"

namespace uvarek {

namespace {

constexpr std::u16string_view kNoSourceFrame = u"Cannot get source frame";
constexpr std::u16string_view kPixelsUndefined = u"Pixels undefined";

bool Sample(void* user, int, int, unsigned value) { return static_cast<CDFT1*>(user)->AccumulateSample(value); }

struct NumberInput {
  frame::ParamName name;
  bool has = false;
  double value = 0;
};

NumberInput ReadNumber(const RunArgs& a, int input) {
  NumberInput n{frame::InputName(a, input)};
  double* p = nullptr;
  if (n.name.ok && GetNumber(a.ctx, 63, n.name.c_str(), 0, &p) && p) n.has = true, n.value = *p;
  if (n.name.ok) frame::WarnArrayInput(a.ctx, 63, n.name.c_str());
  return n;
}

// The line count held to [0, most]; NaN takes the default 1. A correction is
// warned, with the real value where it has no int form.
int LineCount(const RunArgs& a, const NumberInput& n, int most) {
  if (!n.has) return 1;
  const double v = n.value;
  const int c = std::isnan(v) ? 1 : std::clamp(frame::TruncateToInt(v), 0, most);
  if (std::trunc(v) == c) return c;
  if (std::fabs(v) < 2147483647.0) {
    frame::WarnIntParameterCorrected(a.ctx, 63, n.name.c_str(), frame::TruncateToInt(v), c);
  } else {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), static_cast<float>(v), static_cast<float>(c));
  }
  return c;
}

// The most scan lines a run lays: 65536, or every row that can cross the
// frame where a frame has more. Over-sampling a region repeats its rows,
// which a caller may well want; up to 65536 lines the float sums of 8-bit
// samples stay exact, and the lines together sample the frame no more than
// 65536 times over.
int MostLines(double frameWidth, double frameDepth) {
  return frame::TruncateToInt(std::max(65536.0, frameWidth + frameDepth));
}

// Line lengths beyond this are refused: the buffers would not fit, and the
// power of two above the length must stay an int.
constexpr int kMaxSamples = 1 << 24;

}  // namespace

void CDFT1::Release() {
  for (auto* v : {&line_, &imaginary_, &window_, &amplitude_, &phase_, &twiddleCos_, &twiddleSin_}) {
    v->clear();
    v->shrink_to_fit();
  }
  reversed_.clear();
  lineEnds_.clear();
  lineEnds_.shrink_to_fit();
  lineScanned_.clear();
  n_ = l_ = 0;
  previousL_ = -1;
  twiddleLength_ = 0;
  windowStale_ = true;
}

bool CDFT1::AccumulateSample(unsigned value) {
  if (newLine_) sampleIndex_ = 0, newLine_ = false;
  if (sampleIndex_ <= n_ - 1) {
    if (firstLine_) {
      line_[sampleIndex_] = static_cast<float>(value);
    } else {
      line_[sampleIndex_] += static_cast<float>(value);
    }
    reached_ = std::max(reached_, sampleIndex_ + 1);
  }
  ++sampleIndex_;
  return true;
}

bool CDFT1::Run(const RunArgs& a) {
  if (methodIndex < kDct || methodIndex > kFft) return false;
  kind_ = methodIndex;
  hostContext_ = a.ctx;

  const frame::ParamName frameName = frame::InputName(a, 0);
  Frame* f = nullptr;
  if (!frameName.ok || !GetInputFrame(a.ctx, 63, frameName.c_str(), &f) || !f) return a.fail(kNoSourceFrame);
  frame::WarnArrayInput(a.ctx, 63, frameName.c_str());

  TRectangularRegion region{};
  const bool hasRegion = frame::RegionOf(a, 1, &region, true);
  NumberInput count = ReadNumber(a, 2);
  NumberInput begin = ReadNumber(a, 3);
  NumberInput end = ReadNumber(a, 4);
  NumberInput window = ReadNumber(a, 5);
  TRectangularRegion drawing{};
  const bool hasDrawing = frame::RegionOf(a, 6, &drawing, true);
  show_ = frame::FlagOr(a, 7, true, true);
  // Wide, so that the band rule below cannot overflow at the int bounds.
  int64_t newBegin = begin.has ? frame::TruncateToInt(begin.value) : 0;
  int64_t newEnd = end.has ? frame::TruncateToInt(end.value) : 0;
  const bool endChanged = newEnd != end_;
  windowType_ = window.has ? frame::TruncateToInt(window.value) : 0;
  if (windowType_ > 5 || (window.has && std::isnan(window.value))) {
    frame::WarnRealParameterCorrected(a.ctx, 63, window.name.c_str(), static_cast<float>(window.value), 0);
    windowType_ = 0;
  }
  if (windowType_ < 0) windowType_ = 0;  // no formula: the line is used as it is

  const int outCount = kind_ == kDct ? 3 : 4;
  double* outputs[4] = {};
  frame::ParamName outNames[4];
  for (int k = 0; k < outCount; ++k) {
    outNames[k] = frame::OutputName(a, k);
    if (!outNames[k].ok || !GetNumber(a.ctx, 63, outNames[k].c_str(), 0, &outputs[k])) outputs[k] = nullptr;
  }

  const double fw = GetFrameWidth(f), fh = GetFrameDepth(f);
  scanRegion_ = hasRegion ? region : TRectangularRegion{fw * 0.5, fh * 0.5, fw, fh, 0};
  drawingRegion_ = hasDrawing ? drawing : TRectangularRegion{fw * 0.5, fh * 0.5, fw, fh, 0};
  lineCount_ = LineCount(a, count, MostLines(fw, fh));

  // The band, then held within the spectrum: a begin past it would index
  // past the arrays.
  const double width = scanRegion_.width;
  const double limit = kind_ == kDct ? width - 1 : (width - 1) * 0.5;
  if (newEnd > limit) newEnd = frame::TruncateToInt(limit);
  if (newBegin < 0) newBegin = 0;
  if (newBegin >= newEnd) {
    if (newEnd > (width - 1) * 0.25) {
      newBegin = newEnd - 1;
    } else {
      newEnd = newBegin + 1;
    }
  }
  const int top = limit > 0 ? frame::TruncateToInt(limit) : 0;
  begin_ = static_cast<int>(std::clamp<int64_t>(newBegin, 0, top));
  end_ = static_cast<int>(std::clamp<int64_t>(newEnd, 0, top));

  const int n = frame::TruncateToInt(width);
  if (n < 2 || n > kMaxSamples) return a.fail(kPixelsUndefined);
  int m = 0;
  if (n != n_ || line_.empty()) {
    n_ = n;
    if (kind_ == kFft) {
      m = 2;
      while (m < n) m *= 2;
      padding_ = m - n;
      line_.assign(m, 0.0f);
      imaginary_.assign(m, 0.0f);
    } else {
      padding_ = 0;
      line_.assign(n, 0.0f);
    }
    windowStale_ = true;
  }
  if (kind_ == kFft && imaginary_.size() != line_.size()) {
    // The same object serves one kind; kept consistent should the kind change.
    m = 2;
    while (m < n_) m *= 2;
    padding_ = m - n_;
    line_.assign(m, 0.0f);
    imaginary_.assign(m, 0.0f);
  }
  m = n_ + padding_;

  l_ = kind_ == kFft ? m / 2 : end_ - begin_ + 1;
  if (l_ != previousL_ || amplitude_.empty()) {
    amplitude_.assign(l_ > 0 ? l_ : 0, 0.0f);
    if (kind_ != kDct) phase_.assign(l_ > 0 ? l_ : 0, 0.0f);
    previousL_ = l_;
  }
  if (kind_ != kDct && phase_.size() != amplitude_.size()) phase_.assign(amplitude_.size(), 0.0f);

  if (windowStale_ || windowType_ != previousWindowType_ || endChanged) {
    ComputeWindow();
    previousWindowType_ = windowType_;
    windowStale_ = false;
  }

  if (lineCount_ != previousLineCount_ || lineEnds_.empty()) {
    lineEnds_.assign(4 * static_cast<size_t>(lineCount_), 0.0);
    previousLineCount_ = lineCount_;
  }
  lineScanned_.assign(lineCount_, false);

  std::fill(line_.begin(), line_.begin() + n_, 0.0f);
  reached_ = 0;
  firstLine_ = lastLine_ = false;
  const TRectangularRegion* r = hasRegion ? &region : nullptr;
  for (int i = 0; i < lineCount_; ++i) {
    firstLine_ = i == 0;
    lastLine_ = i == lineCount_ - 1;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!GetScanRectangularRegionLine(f, r, lineCount_, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    double* e = &lineEnds_[4 * static_cast<size_t>(i)];
    e[0] = x0, e[1] = y0, e[2] = x1, e[3] = y1;
    lineScanned_[i] = true;
    newLine_ = true;
    const TLine line{double(x0), double(y0), double(x1), double(y1)};
    ScanLine(f, r, &line, 1, this, Sample);
  }
  // The full count divides every sample, whatever lines were refused or short.
  if (lineCount_ > 1) {
    for (int i = 0; i < n_; ++i) line_[i] /= static_cast<float>(lineCount_);
  }

  maximum_ = phaseMaximum_ = -FLT_MAX;
  minimum_ = phaseMinimum_ = FLT_MAX;
  sum_ = 0;
  if (!TransformLine()) return a.fail(kPixelsUndefined);
  if (show_) DrawTransformResults();
  if (outputs[0]) *outputs[0] = maximum_;
  if (outputs[1]) *outputs[1] = sum_;
  for (int k = 2; k < outCount; ++k) {
    if (!outputs[k]) continue;
    const std::vector<float>& values = k == 2 ? amplitude_ : phase_;
    for (int i = 0; i < l_; ++i) {
      double* p = nullptr;
      if (GetNumber(a.ctx, 63, outNames[k].c_str(), i, &p) && p) *p = values[i];
    }
  }
  return true;
}

}  // namespace uvarek
