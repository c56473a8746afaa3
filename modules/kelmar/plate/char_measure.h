// Measurements of one character box on the plate image: the box's geometry,
// the run and crossing scans, the fraction series every sampled family uses
// and the four contour profiles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "talvix_types.h"

namespace kelmar::plate {

inline constexpr int kInkThreshold = 125;

// A box on the plate image: a point at fraction a along the box and fraction
// b up it (b = 0 the first row, b = 1 the last).
struct BoxFrame {
  const Frame* image = nullptr;
  double x = 0, y = 0, w = 0, h = 0;
  double cosPlate = 1, sinPlate = 0, sinSlant = 0, cosSlant = 1;

  double px(double a, double b) const { return x + a * w * cosPlate - b * h * sinSlant; }
  double py(double a, double b) const { return y + a * w * sinPlate + b * h * cosSlant; }
};

// Fractions first, first + step, ... while below `limit` (or up to it when
// inclusive), accumulated in double in that order.
template <class Fn>
void ForFractions(double first, double step, double limit, bool inclusive, Fn&& fn) {
  if (!(step > 0)) return;
  for (double f = first; inclusive ? f <= limit : f < limit; f += step) fn(f);
}

struct RunCounts {
  int leading;  // pixels up to and including the first dark one
  int total;    // ... and on to the first light pixel after that dark run
};

// Walks the line on the image until the first light pixel after the first
// dark run.
RunCounts RunScan(const Frame* image, double x0, double y0, double x1, double y1);

enum CrossDirection { kRight = 0, kLeft = 1, kUp = 2, kDown = 3 };

// start + the number of strokes the line enters, a pixel and its neighbour
// in `direction` both dark marking an entry. A stroke the line starts in
// does not count.
int CrossingScan(const Frame* image, double x0, double y0, double x1, double y1, CrossDirection direction, int start);

inline constexpr int kProfileCapacity = 32;

// A contour profile: values in sampling order, normalised to a minimum of 0.
struct Profile {
  int32_t v[kProfileCapacity] = {};
  int n = 0;
  int kmax = 2;        // first largest of v[2 .. n-3]
  int kmin = 0;        // first smallest of all
  int range = 0;       // v[kmax] - v[kmin]
  bool hasRange = false;

  int N() const { return n - 1; }
  void push(int value) {
    if (n < kProfileCapacity) v[n++] = value;
  }
  template <class... I>
  bool has(I... i) const {
    return ((static_cast<int>(i) >= 0 && static_cast<int>(i) < n) && ...);
  }
  int operator[](int i) const { return v[i]; }
  void finish();
};

// Mean and standard deviation (divisor count - 1) of `count` values from
// v[start]: nothing when the range leaves the profile, 0 and 0 for no values.
struct Stat {
  float m;
  float s;
};
std::optional<Stat> StatOf(const Profile& p, int start, int count);

// First largest (smallest) of `count` values from v[start]: nothing when the
// range is empty or leaves the profile.
struct Extreme {
  int value;
  int index;
};
std::optional<Extreme> Largest(const Profile& p, int start, int count);
std::optional<Extreme> Smallest(const Profile& p, int start, int count);

struct BoxProfiles {
  Profile left, right, bottom, top;
};

void MeasureProfiles(const BoxFrame& box, BoxProfiles& out);

}  // namespace kelmar::plate
