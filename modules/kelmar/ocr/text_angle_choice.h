// The choice of the text direction from the clear-line counts of the trial
// angles. Header-only: the method and its tests share it.
#pragma once

namespace kelmar {

inline constexpr int kTrialAngles = 91;  // -45 .. 45 degrees

// counts[i] belongs to angle i - 45. The first angle with the largest count
// wins; each following angle within two degrees that ties it moves the
// choice by half a degree, so a run of ties ends at its middle. Negative
// angles are turned into 315..360.
inline double ChooseTextAngle(const int (&counts)[kTrialAngles]) {
  int bestCount = 0;
  double best = 0;
  for (int i = 0; i < kTrialAngles; ++i) {
    const int a = i - 45;
    if (counts[i] > bestCount) {
      bestCount = counts[i];
      best = a;
    } else if (counts[i] == bestCount && a <= best + 2) {
      best += 0.5;
    }
  }
  return best < 0 ? best + 360 : best;
}

}  // namespace kelmar
