#include "dm_profile.h"

#include <cstdlib>

namespace dunsel {

namespace {

void Differences(SampleSlot& s, int n) {
  const int* v = s.sampleValues.data();
  int* d = s.sampleGradient.data();
  for (int i = 0; i + 1 < n; ++i) d[i] = v[i + 1] - v[i];
  if (n >= 2) d[n - 1] = d[n - 2];
  else if (n == 1) d[0] = 0;
}

// The step at i (and its two-step form with i + 1); i - 1 and i + 2 exist.
bool RisingAt(const int* d, int i) {
  return (d[i] > 15 && d[i] >= d[i - 1] && (d[i] > d[i + 1] || (d[i] > d[i - 1] && d[i] >= d[i + 1]))) ||
         (d[i] + d[i + 1] > 20 && d[i] >= d[i - 1] && (d[i + 1] > d[i + 2] || (d[i] > d[i - 1] && d[i + 1] >= d[i + 2])));
}
bool FallingAt(const int* d, int i) {
  return (d[i] < -15 && d[i] <= d[i - 1] && (d[i] < d[i + 1] || (d[i] < d[i - 1] && d[i] <= d[i + 1]))) ||
         (d[i] + d[i + 1] < -20 && d[i] <= d[i - 1] &&
          (d[i + 1] < d[i + 2] || (d[i] < d[i - 1] && d[i + 1] <= d[i + 2])));
}

}  // namespace

bool CollectScanSample(void* user, int x, int y, unsigned value) {
  SampleSlot& s = *static_cast<ProfileScan*>(user)->slot;
  // Lines may be longer than the region's extent (turned or extended lines):
  // the slot grows instead of being overrun.
  if (s.count >= s.capacity()) s.Resize(s.capacity() * 2 + 64);
  s.sampleX[static_cast<size_t>(s.count)] = x;
  s.sampleY[static_cast<size_t>(s.count)] = y;
  s.sampleValues[static_cast<size_t>(s.count)] = static_cast<int>(value);
  const int k = s.count++;
  const ScanStop stop = static_cast<ProfileScan*>(user)->stop;
  if (stop == ScanStop::Never) return true;
  const int* v = s.sampleValues.data();
  if (stop == ScanStop::AtAnyEdge) {
    // The test of ProfileHasEdge at i = k - 1, whose last sample is k.
    const int i = k - 1;
    return !(i >= 2 && (std::abs(v[i] - v[i - 1]) > 15 || std::abs(v[i + 1] - v[i - 1]) > 20));
  }
  // FindFirstEdge's step i = k - 1, with its signed differences.
  if (k < 1) return true;
  int* d = s.sampleGradient.data();
  const int i = k - 1, sign = stop == ScanStop::AtFirstRising ? 1 : -1;
  d[i] = sign * (v[k] - v[i]);
  if (i < 3) return true;
  const int p = i - 1, q = i - 2;
  const bool one = d[p] > 15 && d[p] >= d[p - 1] && (d[p] > d[i] || (d[p] > d[p - 1] && d[p] >= d[i]));
  const bool two = d[q] + d[p] > 20 && d[q] >= d[q - 1] && (d[p] > d[i] || (d[q] > d[q - 1] && d[p] >= d[i]));
  return !(one || two);
}

void MarkEdges(SampleSlot& s, int n, int minDistance) {
  if (n <= 0) return;
  Differences(s, n);
  int* m = s.barSpace.data();
  const int* d = s.sampleGradient.data();
  if (n < 4) {
    m[0] = 0;
    if (n >= 2) m[n - 1] = m[n - 2] = 0;
    return;
  }
  for (int i = 0; i < n; ++i) m[i] = 0;
  int last = -3, lastMark = 0, merged = -1;
  for (int i = 1; i <= n - 3; ++i) {
    // Neither a step nor a two-step beyond the limits: no edge at i.
    if (d[i] <= 15 && d[i] >= -15 && d[i] + d[i + 1] <= 20 && d[i] + d[i + 1] >= -20) continue;
    const bool rising = RisingAt(d, i), falling = !rising && FallingAt(d, i);
    if (!rising && !falling) continue;
    const int mark = rising ? kRisingMark : kFallingMark;
    const int distance = i - last;
    if (distance >= minDistance) {
      if (distance == minDistance && lastMark == mark) {
        m[merged >= 0 ? merged : last] = 0;
        merged = (i + last) / 2;
        m[merged] = mark;
      } else {
        m[i] = mark;
        merged = -1;
      }
      last = i;
      lastMark = mark;
    } else if (std::abs(d[last]) < std::abs(d[i])) {
      m[merged >= 0 ? merged : last] = 0;
      m[i] = d[i] >= 0 ? kRisingMark : kFallingMark;
      last = i;
      lastMark = m[i];
    }
  }
  m[0] = m[n - 1] = m[n - 2] = 0;
}

int ProfileRunLengths(SampleSlot& s, int n) {
  if (n < 4) return -1;
  Differences(s, n);
  const int* d = s.sampleGradient.data();
  int* runs = s.barSpace.data();
  int count = 0, boundary = 0, lastPolarity = 0;
  for (int i = 1; i <= n - 3; ++i) {
    if (d[i] <= 15 && d[i] >= -15 && d[i] + d[i + 1] <= 20 && d[i] + d[i + 1] >= -20) continue;
    const int polarity = RisingAt(d, i) ? 1 : FallingAt(d, i) ? -1 : 0;
    if (polarity == 0) continue;
    if (polarity == lastPolarity) {
      // Same polarity again: the current run reaches this edge.
      const int start = boundary - std::abs(runs[count - 1]);
      runs[count - 1] = polarity * (i - start);
    } else {
      runs[count++] = polarity * (i - boundary);
    }
    boundary = i;
    lastPolarity = polarity;
  }
  if (count == 0) return -1;
  runs[count] = -lastPolarity * (n - 2 - boundary);
  return count;
}

bool ProfileHasEdge(const SampleSlot& s, int n) {
  if (n < 4) return false;
  const int* v = s.sampleValues.data();
  for (int i = 2; i <= n - 2; ++i)
    if (std::abs(v[i] - v[i - 1]) > 15 || std::abs(v[i + 1] - v[i - 1]) > 20) return true;
  return false;
}

int FindFirstEdge(SampleSlot& s, int n, bool rising) {
  if (n < 2) return -1;
  const int* v = s.sampleValues.data();
  int* d = s.sampleGradient.data();
  const int sign = rising ? 1 : -1;
  for (int i = 0; i <= n - 2; ++i) {
    d[i] = sign * (v[i + 1] - v[i]);
    if (i < 3) continue;
    const int p = i - 1;  // one step at p, or two steps ending at p
    if (d[p] > 15 && d[p] >= d[p - 1] && (d[p] > d[i] || (d[p] > d[p - 1] && d[p] >= d[i]))) return p;
    const int q = i - 2;
    if (d[q] + d[p] > 20 && d[q] >= d[q - 1] && (d[p] > d[i] || (d[q] > d[q - 1] && d[p] >= d[i]))) return p;
  }
  return n - 2;
}

}  // namespace dunsel
