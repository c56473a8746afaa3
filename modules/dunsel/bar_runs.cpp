#include "bar_runs.h"

#include <cmath>
#include <cstdlib>

namespace dunsel {

namespace {

struct Classifier {
  const int* v;
  int* thr;
  int* b;
  bool whiteBars;

  void Classify(int k, int t) const {
    thr[k] = t;
    const int value = v[k];
    if (value == t) {
      b[k] = k > 0 && b[k - 1] == 255 ? 0 : 255;
    } else if (whiteBars) {
      b[k] = value > t ? 0 : 255;
    } else {
      b[k] = value < t ? 0 : 255;
    }
  }
};

// The threshold halfway between two extreme values, and the levels that the
// next extrema must pass to be paired.
struct Pair {
  int threshold;
  float darkLevel, lightLevel;
};

Pair PairOf(int a, int c, bool refine) {
  const float diff = static_cast<float>(std::abs(a - c));
  const float lo = static_cast<float>(a < c ? a : c);
  const float d = diff / 5.0f;
  Pair p;
  p.threshold = static_cast<int>(diff * 0.5f + lo);
  p.darkLevel = refine ? lo + d : lo + 4.0f * d;
  p.lightLevel = refine ? lo + 4.0f * d : lo + d;
  return p;
}

void MarkTurningPoints(const int* s, const int* g, int* m, int n) {
  int running = std::abs(g[0]);
  for (int i = 1; i <= n - 2; ++i) {
    const int gi = g[i], gn = g[i + 1];
    if (std::abs(gi) > running) running = std::abs(gi);
    const bool light = (gi >= 0 && gn < 0) || (gi > 0 && gn == 0);
    const bool dark = (gi <= 0 && gn > 0) || (gi < 0 && gn == 0);
    if (!light && !dark) continue;
    if (running >= 11) {
      // The most extreme of i-1, i, i+1; ties go to the earlier sample.
      const auto beyond = [light](int a, int b) { return light ? a > b : a < b; };
      int at = i - 1;
      if (beyond(s[i], s[i - 1])) at = i;
      if (beyond(s[i + 1], s[i - 1]) && beyond(s[i + 1], s[i])) at = i + 1;
      m[at] = light ? -1 : +1;
    }
    running = 0;
  }
  m[0] = m[1];
  m[n - 1] = m[n - 2];
}

}  // namespace

void ExtractBarRuns(SampleSlot& slot, int n, bool whiteBars, bool refine) {
  if (n < 3) return;
  const int* s = slot.sampleValues.data();
  int* g = slot.sampleGradient.data();
  int* m = slot.extremumMarks.data();
  const Classifier cls{s, slot.sampleThreshold.data(), slot.barSpace.data(), whiteBars};

  if (!refine) {
    for (int i = 1; i <= n - 2; ++i) {
      g[i] = s[i + 1] - s[i - 1];
      m[i] = 0;
    }
    g[0] = g[1];
    g[n - 1] = g[n - 2];
    m[0] = m[n - 1] = 0;
    MarkTurningPoints(s, g, m, n);
  }

  int e = 0, p = 0, eMark = 0;
  bool any = false;
  float darkLevel = -1.0f, lightLevel = -1.0f;
  const auto classifyRange = [&](int from, int to, int other) {
    const Pair pr = PairOf(s[to], s[other], refine);
    for (int k = from; k <= to; ++k) cls.Classify(k, pr.threshold);
    darkLevel = pr.darkLevel;
    lightLevel = pr.lightLevel;
  };
  for (int j = 0; j < n; ++j) {
    const int mj = m[j];
    if (mj == 0) continue;
    if (!any || mj != eMark) {
      if (any) {
        const bool accept = mj == +1 ? static_cast<float>(s[j]) <= darkLevel : static_cast<float>(s[j]) >= lightLevel;
        if (!accept) continue;
      }
      classifyRange(e + 1, j, e);
      p = e;
      e = j;
      eMark = mj;
      any = true;
    } else {
      const bool asExtreme = mj == -1 ? s[j] >= s[e] : s[j] <= s[e];
      if (!asExtreme) continue;
      classifyRange(p + 1, j, p);
      e = j;
    }
  }

  // After the last paired extremum: halfway between it (or its flatter
  // neighbour) and the line's last value.
  if (e < n - 1) {
    int ref = s[e];
    if (e != 0 && e != n - 2 && e != n - 1) ref = std::abs(g[e]) < std::abs(g[e + 1]) ? s[e] : s[e + 1];
    const int last = s[n - 1];
    const int t =
        static_cast<int>(static_cast<float>(std::abs(ref - last)) * 0.5f + static_cast<float>(ref < last ? ref : last));
    for (int k = e + 1; k < n; ++k) {
      cls.thr[k] = t;
      if (whiteBars) {
        cls.b[k] = s[k] > t ? 0 : 255;
      } else {
        cls.b[k] = s[k] >= t ? 255 : 0;
      }
    }
  }
  cls.thr[0] = cls.thr[1];
  cls.b[0] = cls.b[1];
}

ElementWalker::ElementWalker(const SampleSlot& s, int n, int start, int step) : s_(s), n_(n), pos_(start), step_(step) {
  // The first element opens within the start sample; at the line's end, half
  // a sample in.
  const int prev = start - step;
  open_ = 0.5f;
  if (prev >= 0 && prev < n) {
    const int* v = s.sampleValues.data();
    const float den = static_cast<float>(std::abs(v[start] - v[prev]));
    if (den > 0.0f) open_ = static_cast<float>(std::abs(s.sampleThreshold[start] - v[start])) / den;
  }
}

float ElementWalker::Crossing(int at) const {
  const int* v = s_.sampleValues.data();
  const int prev = at - step_;
  const float den = static_cast<float>(std::abs(v[at] - v[prev]));
  // A class change between equal samples (a plateau at the threshold)
  // crosses halfway.
  return den > 0.0f ? static_cast<float>(std::abs(s_.sampleThreshold[at] - v[prev])) / den : 0.5f;
}

bool ElementWalker::Next(float* width) {
  const int* b = s_.barSpace.data();
  float w = open_;
  for (int j = pos_ + step_; j >= 0 && j < n_; j += step_) {
    if (b[j] == b[j - step_]) {
      w += 1.0f;
      continue;
    }
    const float f = Crossing(j);
    *width = w + f;
    open_ = 1.0f - f;
    pos_ = j;
    return true;
  }
  return false;
}

void LineElements::Measure(const SampleSlot& s, int n, int step) {
  const int* b = s.barSpace.data();
  const int* v = s.sampleValues.data();
  const int* thr = s.sampleThreshold.data();
  if (changeAt_.size() < static_cast<size_t>(n)) {
    change_.resize(static_cast<size_t>(n));
    changeAt_.resize(static_cast<size_t>(n));
    inner_.resize(static_cast<size_t>(n));
    fraction_.resize(static_cast<size_t>(n));
  }
  n_ = n;
  step_ = step;
  count_ = 0;
  float w = 0.0f;
  const int from = step > 0 ? 0 : n - 1;
  changeAt_[static_cast<size_t>(from)] = -1;
  for (int k = 1; k < n; ++k) {
    const int j = from + k * step, prev = j - step;
    changeAt_[static_cast<size_t>(j)] = -1;
    if (b[j] == b[prev]) {
      w += 1.0f;
      continue;
    }
    const float den = static_cast<float>(std::abs(v[j] - v[prev]));
    const float f = den > 0.0f ? static_cast<float>(std::abs(thr[j] - v[prev])) / den : 0.5f;
    change_[static_cast<size_t>(count_)] = j;
    changeAt_[static_cast<size_t>(j)] = count_;
    fraction_[static_cast<size_t>(count_)] = f;
    inner_[static_cast<size_t>(count_)] = w + f;  // meaningful from the second change on
    w = 1.0f - f;
    ++count_;
  }
}

float LineElements::first(const SampleSlot& s, int start, int c) const {
  const int* v = s.sampleValues.data();
  const int prev = start - step_;
  float w = 0.5f;
  if (prev >= 0 && prev < n_) {
    const float den = static_cast<float>(std::abs(v[start] - v[prev]));
    if (den > 0.0f) w = static_cast<float>(std::abs(s.sampleThreshold[start] - v[start])) / den;
  }
  for (int j = start + step_; j != change(c); j += step_) w += 1.0f;
  return w + fraction_[static_cast<size_t>(c)];
}

}  // namespace dunsel
