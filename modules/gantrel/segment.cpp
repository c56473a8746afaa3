#include "segment.h"

#include <algorithm>
#include <cmath>

#include "spot.h"

namespace gantrel {

namespace {

enum SegmentInput { kFrameIn, kRegionIn, kLinesIn, kThresholdIn, kMinSegmentIn, kMinBorderIn, kNegativeIn, kShowIn };
enum SegmentOutput { kCountOut, kLengthsOut, kSegmentsOut };

constexpr std::u16string_view kUnsuitable = u"error: Input frame does not have suitable characteristics";

bool TrackSegmentSample(void* user, int x, int y, unsigned value) {
  static_cast<CSegment*>(user)->Track(x, y, value);
  return true;
}

// A length input: absent 1, truncated, below 1 held to 1 with a warning.
int LengthInput(const RunArgs& a, int i) {
  const double* p = NumberInput(a, i);
  WarnArray(a, i);
  if (!p) return 1;
  const int v = frame::TruncateToInt(*p);
  if (v >= 1) return v;
  WarnIntCorrected(a, i, v, 1);
  return 1;
}

}  // namespace

void CSegment::StartLine() {
  borderRun_ = freeRun_ = 0;
  inBorderRun_ = borderFound_ = onBorder_ = inSegment_ = false;
  lineSegmentCount_ = 0;
  segmentClosed_ = true;
  sawSamples_ = false;
  lineSegments_.clear();
}

void CSegment::Track(double x, double y, unsigned value) {
  const TPoint p{x, y};
  const unsigned level = static_cast<unsigned>(thresholdLevel_);
  const bool border = negative_ ? value >= level : value < level;
  sawSamples_ = true;
  if (!borderFound_) {
    if (border) {
      // A run's first sample never completes it: the first border takes at
      // least two samples.
      if (!inBorderRun_) {
        inBorderRun_ = true;
        borderRun_ = 1;
      } else if (++borderRun_ >= minBorderLength_) {
        borderFound_ = onBorder_ = true;
      }
    } else if (inBorderRun_) {
      borderRun_ = 0;
      inBorderRun_ = false;
    }
  } else if (onBorder_) {
    if (border) {
      freeRun_ = 0;
    } else {
      ++freeRun_;
      if (freeRun_ == 1) segmentStart_ = p;
      if (freeRun_ == minSegmentLength_) {
        ++lineSegmentCount_;
        lineSegments_.push_back({segmentStart_.x, segmentStart_.y, segmentStart_.x, segmentStart_.y});
        onBorder_ = false;
        inSegment_ = true;
        borderRun_ = 0;
        segmentClosed_ = false;
      }
    }
  } else if (inSegment_) {
    if (!border) {
      borderRun_ = 0;
    } else {
      ++borderRun_;
      if (borderRun_ == 1) segmentEndCandidate_ = previousPosition_;
      if (borderRun_ == minBorderLength_) {
        TLine& s = lineSegments_.back();
        s.x1 = segmentEndCandidate_.x;
        s.y1 = segmentEndCandidate_.y;
        inSegment_ = false;
        onBorder_ = true;
        freeRun_ = 0;
        segmentClosed_ = true;
      }
    }
  }
  previousPosition_ = p;
}

bool CSegment::Run(const RunArgs& a) {
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  WarnArray(a, kRegionIn);
  thresholdLevel_ = WarnedLevel(a, kThresholdIn);
  WarnArray(a, kThresholdIn);

  int lines = 1;
  if (const double* p = NumberInput(a, kLinesIn)) {
    const int asked = frame::TruncateToInt(*p);
    // No output or line array holds more than the host's element cap.
    const double height = AcrossRegion(frame, region);
    const int most = std::min(frame::TruncateToInt(height), kMaxOutputElements);
    lines = std::max(std::min(asked, most), 1);
    if (lines != asked) WarnIntCorrected(a, kLinesIn, asked, lines);
  }
  WarnArray(a, kLinesIn);
  minSegmentLength_ = LengthInput(a, kMinSegmentIn);
  minBorderLength_ = LengthInput(a, kMinBorderIn);
  const bool* negativeIn = FlagInput(a, kNegativeIn);
  negative_ = negativeIn && *negativeIn;
  WarnArray(a, kNegativeIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;
  WarnArray(a, kShowIn);

  // Each segment is the mean over the lines that delivered samples; lines
  // without samples have no segments to contribute. The sums are kept as the
  // lines go, so that no line's segments need to be stored.
  std::vector<TLine> laid;
  int expected = -1, sampled = 0;
  segments_.clear();
  const frame::ScanSpan span = LinesInFrame(frame, region, lines);
  for (int i = span.first; i <= span.last; ++i) {
    int x0, y0, x1, y1;
    if (!GetScanRectangularRegionLine(frame, region, lines, i, 0.0, &x0, &y0, &x1, &y1)) continue;
    const TLine line{double(x0), double(y0), double(x1), double(y1)};
    if (show) laid.push_back(line);
    StartLine();
    ScanLine(frame, region, &line, 1, this, TrackSegmentSample);
    if (!sawSamples_) continue;
    if (!segmentClosed_) {
      // A segment still open at the line's end has no border after it.
      --lineSegmentCount_;
      lineSegments_.pop_back();
    }
    if (expected < 0) {
      expected = lineSegmentCount_;
      segments_.assign(static_cast<size_t>(expected), TLine{});
    } else if (lineSegmentCount_ != expected) {
      return a.fail(kUnsuitable);
    }
    ++sampled;
    for (int s = 0; s < expected; ++s) {
      const TLine& l = lineSegments_[s];
      segments_[s].x0 += l.x0;
      segments_[s].y0 += l.y0;
      segments_[s].x1 += l.x1;
      segments_[s].y1 += l.y1;
    }
  }

  const int k = std::max(expected, 0);
  segmentLengths_.assign(static_cast<size_t>(k), 0.0);
  for (int s = 0; s < k; ++s) {
    TLine& l = segments_[s];
    l.x0 /= sampled;
    l.y0 /= sampled;
    l.x1 /= sampled;
    l.y1 /= sampled;
    segmentLengths_[s] = std::hypot(l.x1 - l.x0, l.y1 - l.y0);
  }

  if (double* count = OutputElement<double>(a, kCountOut, GetNumber, 0)) *count = expected;
  SetOutputMaxIndex(a, kCountOut, 0);
  for (int s = 0; s < k; ++s) {
    if (TLine* l = OutputElement<TLine>(a, kSegmentsOut, GetLine, s)) *l = segments_[s];
    if (double* d = OutputElement<double>(a, kLengthsOut, GetNumber, s)) *d = segmentLengths_[s];
  }
  SetOutputMaxIndex(a, kSegmentsOut, expected - 1);
  SetOutputMaxIndex(a, kLengthsOut, expected - 1);

  if (show) {
    const double lineThickness = GetDrawThickness(a.ctx, 0);
    const TColor lineColor = GetDrawColor(a.ctx, 0);
    for (const TLine& l : laid) DrawLine(a.ctx, l.x0, l.y0, l.x1, l.y1, lineThickness, lineColor);
    const double segmentThickness = GetDrawThickness(a.ctx, 1);
    const TColor segmentColor = GetDrawColor(a.ctx, 1);
    for (const TLine& l : segments_) DrawLine(a.ctx, l.x0, l.y0, l.x1, l.y1, segmentThickness, segmentColor);
  }
  return true;
}

}  // namespace gantrel
