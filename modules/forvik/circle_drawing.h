// Result marks of the circle and ring detectors.
#pragma once

#include "talvix.h"

namespace forvik {

// The host's colour and thickness of role 1, the frame width, and the depth
// and width of the text "0", measured once per run.
struct CircleMarks {
  void* ctx;
  int frameWidth;
  int frameDepth;
  int armLength;  // of the centre crosses
  TColor colour;
  double thickness;
  int zeroWidth = 0;
  int zeroDepth = 0;

  CircleMarks(void* context, const Frame* f, int arm);

  // Circle, centre cross, radius arrow and label, and at level 2 the centre.
  void Circle(double x, double y, double r) const;
  // Cross of lines from the centre, each `armLength` long.
  void Cross(double x, double y) const;
  // The radius arrow and label, to the right unless the label would leave
  // the frame.
  void RadiusRight(double x, double y, double r, int spacing) const;
  // The centre label "[x, y]": inside the circle when it fits, else above it.
  void CentreLabel(double x, double y, double r) const;
};

}  // namespace forvik
