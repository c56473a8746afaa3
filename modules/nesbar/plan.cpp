#include "plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "frame/input_params.h"
#include "frame/turns.h"

namespace nesbar {
namespace {

constexpr float kRadians = 0.017453292519943295f;

// Rounding of the passes' single-precision angles at the ends of the range,
// in degrees.
constexpr double kAngleSlack = 0.01;

}  // namespace

SearchPlan MakePlan(const SearchSettings& s) {
  SearchPlan p;
  // Begin and end a non-zero multiple of a whole turn apart search the whole turn.
  const float span = s.endRotation - s.beginRotation;
  const bool fullTurn = span != 0.0f && std::fmod(span, 360.0f) == 0.0f;
  float begin = std::fabs(s.beginRotation) >= 360.0f ? std::fmod(s.beginRotation, 360.0f) : s.beginRotation;
  float end = std::fabs(s.endRotation) >= 360.0f ? std::fmod(s.endRotation, 360.0f) : s.endRotation;
  const bool turns = (begin != end || fullTurn) && s.rotationStep != 0.0f;
  const bool scales = s.beginScale != s.endScale && s.scaleStep != 0.0f;
  if (!turns && !scales) return p;
  p.search = true;
  if (begin < 0) begin += 360.0f;
  if (end < 0) end += 360.0f;
  const float range = fullTurn ? 360.0f : begin > end ? 360.0f - begin + end : end - begin;
  p.refineAngleStep = std::max(s.rotationStep * s.refinement, 0.1f) * kRadians;
  p.refineScaleStep = std::max(s.scaleStep * s.refinement, 0.05f);
  if (s.rotationStep == 0.0f || range < s.rotationStep) {
    p.angleStart = 0.0f;
    p.angleStep = 0.0f;
    p.angleSteps = 0;
  } else {
    p.angleStart = begin * kRadians;
    p.angleStep = s.rotationStep * kRadians;
    p.angleSteps = frame::TruncateToInt(range / s.rotationStep);
    // The coarse angles' span and what the step leaves over, so that a range
    // the step divides keeps the very bound the passes always had.
    const float rest = std::max(0.0f, range - p.angleSteps * s.rotationStep);
    p.angleRange = p.angleSteps * p.angleStep + rest * kRadians;
  }
  const float b = s.beginScale, e = s.endScale, step = s.scaleStep;
  auto steps = [&](float span, int* n, float* size) {
    *n = step > 0.0f ? frame::TruncateToInt(span / step) : 0;
    *size = *n > 0 ? span / *n : 0.0f;
  };
  if (e == b || step == 0.0f) {
    p.scaleStart = 1.0f;
    p.scaleStepsUnder = 0;
    p.scaleStepUnder = 0.0f;
    p.scaleStepsOver = 1;
    p.scaleStepOver = 0.0f;
  } else {
    p.scaleStart = b;
    if (b <= 1.0f && e < 1.0f) {
      steps(e - b, &p.scaleStepsUnder, &p.scaleStepUnder);
      p.scaleStepsOver = 0;
      p.scaleStepOver = 0.0f;
    } else if (b >= 1.0f && e > 1.0f) {
      p.scaleStepsUnder = 0;
      p.scaleStepUnder = 0.0f;
      steps(e - b, &p.scaleStepsOver, &p.scaleStepOver);
    } else {
      steps(1.0f - b, &p.scaleStepsUnder, &p.scaleStepUnder);
      steps(e - 1.0f, &p.scaleStepsOver, &p.scaleStepOver);
    }
  }
  return p;
}

SearchedAngles AnglesOf(const SearchPlan& p) {
  SearchedAngles a;
  if (!p.search || p.angleSteps <= 0) return a;
  const double coarse = static_cast<double>(p.angleSteps) * p.angleStep;
  // The passes wrap their climb when one more step from the last coarse angle
  // reaches round the turn; short of that they keep to the range asked for.
  a.whole = coarse + p.angleStep >= 2 * std::numbers::pi * (1 - 1e-6);
  a.start = p.angleStart / static_cast<double>(kRadians);
  a.span = p.angleRange / static_cast<double>(kRadians);
  return a;
}

bool SearchedAngles::Contains(double degrees) const {
  if (whole) return true;
  const double off = frame::FullTurn(degrees - start);
  return off <= span + kAngleSlack || off >= 360.0 - kAngleSlack;
}

}  // namespace nesbar
