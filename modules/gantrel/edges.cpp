#include "edges.h"

#include <algorithm>

namespace gantrel {

namespace {

enum EdgeInput { kFrameIn, kShapeIn, kStrengthIn, kTransientIn, kFilterIn, kPolarityIn, kPlacementIn, kShowIn };
enum EdgeOutput { kCountOut, kPositionOut, kPolarityOut };

// Polarity option: 0 all, 1 light-to-dark only, 2 dark-to-light only.
constexpr int kLightToDarkOnly = 1;
constexpr int kDarkToLightOnly = 2;
// Reported polarity of an edge in the scan direction.
constexpr int kDarkToLight = -1;
constexpr int kLightToDark = 1;

// An integer input truncated and held to 1..20, warned when corrected.
int WindowInput(const RunArgs& a, int i) {
  const double* p = NumberInput(a, i);
  if (!p) return 5;
  const int v = frame::TruncateToInt(*p);
  const int held = std::clamp(v, 1, 20);
  if (held != v) {
    const ParamName n = InputName(a, i);
    frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), v, held);
  }
  return held;
}

struct EdgeSearch {
  const RunArgs& args;
  const LineSamples& samples;
  const int* s;  // smoothed values
  int n;
  int strength;
  int transient;
  int polarity;
  bool show;
  int width, depth;
  int* edgeCount;  // across all elements of the run

  static int Mid(int a, int b) { return (a + b) / 2; }

  void Write(int k, int edgePolarity) const {
    const int index = (*edgeCount)++;
    const double x = samples.x[k], y = samples.y[k];
    if (TPoint* p = OutputElement<TPoint>(args, kPositionOut, GetPoint, index)) *p = {x, y};
    if (double* q = OutputElement<double>(args, kPolarityOut, GetNumber, index)) *q = edgePolarity;
    if (show && x > 1 && x < width - 2 && y > 1 && y < depth - 2) {
      const int role = edgePolarity == kDarkToLight ? 7 : 8;
      DrawCircle(args.ctx, x, y, 2.0, GetDrawThickness(args.ctx, 1), GetDrawColor(args.ctx, role));
    }
  }

  // The end of a rise (rising) or fall grows while the change goes on one or
  // three samples further; the edge is the first sample past the mid level.
  int PlaceForward(int start, int end, bool rising) const {
    while (end < n - 3 && (rising ? (s[end + 1] > s[end] || s[end + 3] > s[end])
                                  : (s[end + 1] < s[end] || s[end + 3] < s[end]))) {
      ++end;
    }
    const int mid = Mid(s[start], s[end]);
    int k = start;
    while (k < end && !(rising ? s[k] >= mid : s[k] <= mid)) ++k;
    *lastEnd = end;
    return k;
  }
  int* lastEnd;

  // Every edge of one direction, in scan order.
  bool AllOfDirection(bool rising) const {
    bool found = false;
    for (int j = 0; j < n - transient;) {
      int best = -1, end = j;
      for (int d = 1; d <= transient; ++d) {
        const int change = rising ? s[j + d] - s[j] : s[j] - s[j + d];
        if (change >= best) {  // ties go to the longer transient
          best = change;
          end = j + d;
        }
      }
      if (best < strength) {
        ++j;
        continue;
      }
      const int k = PlaceForward(j, end, rising);
      Write(k, rising ? kDarkToLight : kLightToDark);
      found = true;
      j = *lastEnd + 2;
    }
    return found;
  }

  bool All() const {
    if (n <= transient) return false;
    bool found = false;
    if (polarity != kLightToDarkOnly) found |= AllOfDirection(true);
    if (polarity != kDarkToLightOnly) found |= AllOfDirection(false);
    return found;
  }

  // Largest rise and fall over 1..transient samples from sample `at` in
  // direction dir (+1 forward, -1 backward); the first (shortest) of equal
  // changes is kept. Both start from the one-sample change, so that a
  // position exists whatever the strength.
  void BestChanges(int at, int dir, int* rise, int* riseAt, int* fall, int* fallAt) const {
    *riseAt = *fallAt = at + dir;
    *rise = dir * (s[at + dir] - s[at]);
    *fall = -*rise;
    for (int d = 2; d <= transient; ++d) {
      const int change = dir * (s[at + dir * d] - s[at]);
      if (change > *rise) *rise = change, *riseAt = at + dir * d;
      if (-change > *fall) *fall = -change, *fallAt = at + dir * d;
    }
  }

  bool First() const {
    for (int j = 0; j < n - transient; ++j) {
      int rise, riseEnd, fall, fallEnd;
      BestChanges(j, 1, &rise, &riseEnd, &fall, &fallEnd);
      if (rise >= strength && polarity != kLightToDarkOnly) {
        Write(PlaceForward(j, riseEnd, true), kDarkToLight);
        return true;
      }
      if (fall >= strength && polarity != kDarkToLightOnly) {
        Write(PlaceForward(j, fallEnd, false), kLightToDark);
        return true;
      }
    }
    return false;
  }

  // The start of a change grows backwards while the change goes on; the edge
  // is the first sample going down from e at or before the mid level.
  int PlaceBackward(int low, int e, bool rising) const {
    while (low >= 3 && (rising ? (s[low - 1] < s[low] || s[low - 3] < s[low])
                               : (s[low - 1] > s[low] || s[low - 3] > s[low]))) {
      --low;
    }
    const int mid = Mid(s[low], s[e]);
    int k = e;
    while (k > low && !(rising ? s[k] <= mid : s[k] >= mid)) --k;
    return k;
  }

  bool Last() const {
    for (int e = n - 1; e > transient; --e) {
      int rise, riseLow, fall, fallLow;
      // Backward from e: the rise is s[e] - s[e - d], low = e - d.
      BestChanges(e, -1, &rise, &riseLow, &fall, &fallLow);
      if (rise >= strength && polarity != kLightToDarkOnly) {
        Write(PlaceBackward(riseLow, e, true), kDarkToLight);
        return true;
      }
      if (fall >= strength && polarity != kDarkToLightOnly) {
        Write(PlaceBackward(fallLow, e, false), kLightToDark);
        return true;
      }
    }
    return false;
  }
};

// Integer box mean over 2h samples i - h .. i + h - 1; the first and last h
// samples are copied.
void Smooth(const int* v, int n, int filter, std::vector<int>* out) {
  out->assign(v, v + n);
  if (filter < 2) return;
  const int h = filter / 2;
  long long sum = 0;
  for (int i = 0; i < 2 * h && i < n; ++i) sum += v[i];
  for (int i = h; i < n - h; ++i) {
    (*out)[i] = static_cast<int>(sum / (2 * h));
    if (i + h < n) sum += v[i + h] - v[i - h];
  }
}

}  // namespace

bool CEdges::Run(const RunArgs& a) {
  const bool ring = methodIndex == 4;
  const std::u16string_view noShape = ring ? u"error: Cannot get input ring" : u"error: Cannot get input line";

  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);

  WarnArray(a, kStrengthIn);
  int strength = 127;
  if (const double* p = NumberInput(a, kStrengthIn)) {
    strength = Level(*p);
    const ParamName n = InputName(a, kStrengthIn);
    if (strength > 255) {
      strength = 255;
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
    } else if (strength < 0) {
      strength = 0;
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.0f);
    }
  }
  WarnArray(a, kTransientIn);
  const int transient = WindowInput(a, kTransientIn);
  WarnArray(a, kFilterIn);
  int filter = WindowInput(a, kFilterIn);

  int polarity = 0;
  if (const double* p = NumberInput(a, kPolarityIn)) polarity = frame::TruncateToInt(*p);
  if (polarity < 0 || polarity > 2) return a.fail(u"error: Cannot get parameter for edge polarity");
  int placement = 0;
  if (const double* p = NumberInput(a, kPlacementIn)) placement = frame::TruncateToInt(*p);
  if (placement < 0 || placement > 3) return a.fail(u"error: Cannot get parameter for edge placement");
  WarnArray(a, kShowIn);
  const bool* showIn = FlagInput(a, kShowIn);
  const bool show = showIn ? *showIn : true;

  samples_.Restart();
  int edgeCount = 0;
  int maxIndex = 0;
  if (!InputMaxIndex(a, kShapeIn, &maxIndex)) return a.fail(noShape);
  const int width = GetFrameWidth(frame), depth = GetFrameDepth(frame);
  for (int e = 0; e <= maxIndex; ++e) {
    TLine* line = nullptr;
    TRing* circle = nullptr;
    if (ring) {
      circle = InputElement<TRing>(a, kShapeIn, GetRing, e);
      if (!circle) return a.fail(noShape);
      samples_.count = 0;
      ScanRing(frame, circle, 1, &samples_, 1, CollectLineSample);
    } else {
      line = InputElement<TLine>(a, kShapeIn, GetLine, e);
      if (!line) return a.fail(noShape);
      ScanSamples(frame, *line, &samples_);
    }
    const int n = samples_.count;
    filter = std::min(filter, n);  // the cut holds for the later elements too
    Smooth(samples_.value.data(), n, filter, &smoothed_);

    int lastEnd = 0;
    EdgeSearch search{a, samples_, smoothed_.data(), n, strength, transient, polarity, show, width, depth,
                      &edgeCount, &lastEnd};
    bool found = false;
    if (placement == 0) found = search.All();
    if (placement == 1 || placement == 3) found = search.First();
    if (placement == 2 || placement == 3) found = search.Last() || found;
    if (!found) return a.fail(kNoEdge);

    if (show) {
      const TColor c = GetDrawColor(a.ctx, 0);
      const double t = GetDrawThickness(a.ctx, 0);
      if (ring) {
        DrawRing(a.ctx, circle->cx, circle->cy, circle->r1, circle->r2, circle->a1, circle->a2, t, c);
      } else {
        DrawArrow(a.ctx, line->x0, line->y0, line->x1, line->y1, t, c);
      }
    }
  }

  if (double* count = OutputElement<double>(a, kCountOut, GetNumber, 0)) *count = edgeCount;
  SetOutputMaxIndex(a, kCountOut, 0);
  SetOutputMaxIndex(a, kPositionOut, edgeCount - 1);
  SetOutputMaxIndex(a, kPolarityOut, edgeCount - 1);
  return true;
}

}  // namespace gantrel
