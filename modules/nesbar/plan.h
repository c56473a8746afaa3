// The search plan: which angles and scales the passes try.
#pragma once

namespace nesbar {

struct SearchSettings {
  float beginRotation = 0.0f;  // degrees, as given (a whole turn or more is reduced here)
  float endRotation = 0.0f;
  float rotationStep = 0.0f;
  float beginScale = 1.0f;
  float endScale = 1.0f;
  float scaleStep = 0.0f;
  float refinement = 1.0f;  // the refinement steps' share of the search steps
};

struct SearchPlan {
  bool search = false;  // false: the plain programs
  float angleStart = 0.0f;  // radians
  float angleStep = 0.0f;
  float refineAngleStep = 0.0f;
  int angleSteps = 1;
  // The range asked for: the coarse angles stop short of its end when the
  // step does not divide it, yet what lies past them was asked for too.
  float angleRange = 0.0f;
  float scaleStart = 1.0f;
  float scaleStepUnder = 0.0f;
  float scaleStepOver = 0.0f;
  float refineScaleStep = 0.0f;
  int scaleStepsUnder = 1;
  int scaleStepsOver = 0;
};

SearchPlan MakePlan(const SearchSettings& s);

// The angles a search tried, in degrees: from start over span, modulo a
// whole turn; every angle when the search wraps round.
struct SearchedAngles {
  double start = 0, span = 0;
  bool whole = false;
  bool Contains(double degrees) const;
};

// The angles of a plan: the range asked for and, where the passes climb past
// the last coarse angle to the first, the whole turn. A plan without angle steps
// tries angle 0 alone.
SearchedAngles AnglesOf(const SearchPlan& p);

}  // namespace nesbar
