#include "line_samples.h"

#include <algorithm>
#include <new>

namespace gantrel {

namespace {

constexpr int kInitialSamples = 128;
constexpr int kSampleGrowth = 32;

}  // namespace

void LineSamples::Restart() {
  x.assign(kInitialSamples, 0);
  y.assign(kInitialSamples, 0);
  value.assign(kInitialSamples, 0);
  capacity = kInitialSamples;
  count = 0;
}

bool CollectLineSample(void* user, int px, int py, unsigned v) {
  auto* s = static_cast<LineSamples*>(user);
  if (s->count >= s->capacity) {
    // No exception may leave through the host's scan: a failed growth ends it.
    try {
      const size_t grown = static_cast<size_t>(s->capacity) + kSampleGrowth;
      s->x.resize(grown);
      s->y.resize(grown);
      s->value.resize(grown);
    } catch (const std::bad_alloc&) {
      return false;
    }
    s->capacity += kSampleGrowth;
  }
  s->x[s->count] = px;
  s->y[s->count] = py;
  s->value[s->count] = static_cast<int>(v);
  ++s->count;
  return true;
}

void ScanSamples(const Frame* frame, const TLine& line, LineSamples* samples) {
  samples->count = 0;
  ScanLine(frame, nullptr, &line, 1, samples, CollectLineSample);
}

int FindThresholdPoint(const int* v, int n, int level, int minLength, bool negative, int from, bool* armed) {
  const auto ground = [&](int s) { return negative ? s <= level : s >= level; };
  const auto object = [&](int s) { return negative ? s >= level : s <= level; };
  for (int j = std::max(from, 0); j < n - 1; ++j) {
    if (!*armed) {
      if (!ground(v[j])) continue;
      *armed = true;  // the arming sample may start a candidate itself
    }
    if (!object(v[j]) || minLength > n - 1 - j) continue;  // j + minLength could overflow
    bool holds = true;
    for (int m = j + 1; m < j + minLength && holds; ++m) holds = object(v[m]);
    if (holds) return j;
  }
  return -1;
}

int NextAfterThresholdPoint(const int* v, int n, int level, bool negative, int j) {
  const auto object = [&](int s) { return negative ? s >= level : s <= level; };
  while (j < n - 1 && object(v[j])) ++j;
  return j + 1;
}

int FindGradientPoint(const int* v, int n, int strength, int transient, bool negative, int from, int* end) {
  // Difference across [a, b] in the searched direction.
  const auto diff = [&](int a, int b) { return negative ? v[b] - v[a] : v[a] - v[b]; };
  for (int j = std::max(from, 0); j < n - 1; ++j) {
    int best = -1, start = j, last = j;
    const int span = std::min(transient, n - 1 - j);
    for (int d = 1; d <= span; ++d) {
      const int g = diff(j, j + d);
      if (g >= best) {  // ties go to the longer transient
        best = g;
        last = j + d;
      }
    }
    if (best < strength || last == j) continue;
    while (last < n - 3 && (diff(start + 1, last + 1) > diff(start, last) || diff(start + 3, last + 3) > diff(start, last))) {
      ++start;
      ++last;
    }
    const int mid = (v[start] + v[last]) / 2;
    for (int k = start; k <= last; ++k) {
      if (negative ? v[k] >= mid : v[k] <= mid) {
        *end = last;
        return k;
      }
    }
    *end = last;
    return last;  // not reached: one end of the window is on each side of its mid level
  }
  return -1;
}

}  // namespace gantrel
