// Bars and spaces of one scan line: local thresholds from paired extrema,
// the bar/space class of each sample, and element widths measured to a
// fraction of a sample where the class changes.
#pragma once

#include <vector>

#include "method.h"

namespace dunsel {

// Fills sampleGradient, extremumMarks (unless refine), sampleThreshold and
// barSpace of the slot's first n samples (n >= 3) from sampleValues.
// `refine` reuses the marks of the first pass and swaps the acceptance
// levels, so that weaker extrema pair up.
void ExtractBarRuns(SampleSlot& slot, int n, bool whiteBars, bool refine);

// True when sample i begins a bar: a bar at 0, or a bar after a space.
inline bool BarBegins(const SampleSlot& s, int i) { return s.barSpace[i] == 0 && (i == 0 || s.barSpace[i - 1] != 0); }

// Walks elements (runs of one class) from a sample in one direction, closing
// each at the sub-sample crossing of the threshold between two samples.
class ElementWalker {
 public:
  // The first element opens at `start`, walking by `step` (+1 or -1).
  ElementWalker(const SampleSlot& s, int n, int start, int step);

  // Closes the next element: its width, and the sample where the next one
  // opens. False when the line ends first.
  bool Next(float* width);
  // The sample at which the last element closed.
  int position() const { return pos_; }

 private:
  float Crossing(int at) const;  // fraction of the step from at - step to at

  const SampleSlot& s_;
  int n_, pos_, step_;
  float open_;
};

// The elements of a classified line measured once in one walking direction:
// where each class change lies (the first sample of the new class in the
// walk) and the width of each element opened at one change and closed at the
// next, summed exactly as ElementWalker sums them. A decoder that tries many
// starts reads its widths from here.
class LineElements {
 public:
  void Measure(const SampleSlot& s, int n, int step = +1);

  int changes() const { return count_; }
  // Sample index of change c, in walking order.
  int change(int c) const { return change_[static_cast<size_t>(c)]; }
  // The change at a sample, -1 when no class change lies there.
  int changeAt(int sample) const { return changeAt_[static_cast<size_t>(sample)]; }
  // Width of the element from change c - 1 to change c (c >= 1).
  float inner(int c) const { return inner_[static_cast<size_t>(c)]; }
  // Width of the element that opens at sample `start` (a change, or the
  // line's first sample in the walk) and closes at change c, as
  // ElementWalker measures a first element.
  float first(const SampleSlot& s, int start, int c) const;

 private:
  std::vector<int> change_, changeAt_;
  std::vector<float> inner_;
  std::vector<float> fraction_;
  int count_ = 0, n_ = 0, step_ = 1;
};

// Difference of a pattern width from a module count, squared; 26 beyond 5.
inline int WidthError(int pattern, int count) {
  const int d = pattern - count;
  return d >= -5 && d <= 5 ? d * d : 26;
}

}  // namespace dunsel
