// Turning the read-back scores into matches: a list ordered by falling
// score behind which a sentinel stays, neighbours of a better match
// suppressed.
#pragma once

#include "gpu/list.h"
#include "plan.h"

namespace nesbar {

class CSortListElem : public gpu::CListElem {
 public:
  CSortListElem(int px, int py, float s, float a, float sc) : x(px), y(py), score(s), angle(a), scale(sc) {}
  int x;
  int y;
  float score;
  float angle;  // radians
  float scale;
};

// This module's result: a match in frame pixels and degrees.
class CResultListElem : public gpu::CListElem {
 public:
  double x = 0, y = 0, angle = 0;
  double centreX = 0, centreY = 0, width = 0, height = 0, rectangleAngle = 0;
  double correlation = 0, scale = 0;
};

// The part of a match's turned, scaled rectangle that may lie off the frame:
// a place further out was scored against the frame's clamped edge pixels.
inline constexpr double kOffFrameShare = 0.05;

// The share of the rectangle (centre, size, angle in degrees) that lies on a
// width x height frame, whose pixels are unit squares about their centres.
double ShareOnFrame(double cx, double cy, double w, double h, double degrees, int width, int height);

// Collects the matches of an RGB float read-back (score, angle, scale per
// pixel, rows from 0) into results (emptied first): at most maxMatches, best
// first, angles in [0, 360). A place whose angle lies outside the searched
// angles, or whose rectangle lies off the frame, is no match and suppresses
// none. Answers the last scale kept (1 when none).
float CollectMatches(const float* rgb, int width, int height, int patternWidth, int patternHeight, int maxMatches,
                     const SearchedAngles& angles, gpu::CList& results);

}  // namespace nesbar
