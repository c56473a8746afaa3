// The rule families of the plate character reader, each adding penalty
// points to one box's row. A rule that needs a profile entry the box does not
// have is skipped; walks and searches stop at the profile's ends.
#pragma once

#include "plate/char_classes.h"
#include "plate/char_measure.h"

namespace kelmar::plate {

// Smallest, largest and second largest stroke-entry count of a line family;
// a count equal to the largest moves the old largest to second place.
struct EntryCounts {
  int smallest = 10, largest = 1, second = 1;
  void take(int c) {
    smallest = std::min(smallest, c);
    if (c >= largest) {
      second = largest;
      largest = c;
    } else if (c > second) {
      second = c;
    }
  }
};

struct BoxReading {
  BoxFrame box;
  BoxProfiles prof;
  Scores scores;
  double w = 0, h = 0;
  double t = 0;  // 0.08 w, the deviation unit
  bool heightRaised = false;
};

void ApplyBoxRules(BoxReading& r);
void ApplyLeftRules(BoxReading& r);
// True when the box is taken as a narrow "1" and no further rule applies.
bool ApplyGate(BoxReading& r);
void ApplyRightRules(BoxReading& r);
void ApplyBottomRules(BoxReading& r);
void ApplyTopRules(BoxReading& r);
void ApplyStrokeRules(BoxReading& r);
void ApplyMiddleDepthRule(BoxReading& r);

// Run scans downwards from b = 0.25 to b = 1 at a = first, first + 0.05, ...
// below 0.61: the largest leading count.
int DeepestRun(const BoxReading& r, double first);

// The refinement stages after the rules, in their order.
void Refine(BoxReading& r);

// Single stages, with `lowest` the box's lowest count when the stage began.
void Stage2Z(BoxReading& r, int lowest);
void StageHMN(BoxReading& r, int lowest);
void Stage1IJ3(BoxReading& r);

}  // namespace kelmar::plate
