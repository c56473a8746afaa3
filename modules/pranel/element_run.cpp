#include "element_run.h"

#include <algorithm>

namespace pranel {

ElementRun::ElementRun(const RunArgs& a, int inputCount)
    : a_(a), names_(inputCount), max_(inputCount, -1), output_(frame::OutputName(a, 0)) {
  for (int k = 0; k < inputCount; ++k) {
    names_[k] = frame::InputName(a, k);
    int n = -1;
    if (names_[k].ok && GetObjectMaxIndex(a.ctx, 63, names_[k].c_str(), &n)) max_[k] = n;
    last_ = std::max(last_, max_[k]);
  }
}

int ElementRun::At(int input, int i) const { return max_[input] < 0 ? -1 : std::min(i, max_[input]); }

bool ElementRun::FailInput(int input) const {
  std::u16string text(kNoInput);
  text += names_[input].c_str();
  return a_.fail(text);
}

bool ElementRun::FailOutput() const {
  std::u16string text(kNoOutput);
  text += output_.ok ? output_.c_str() : u"";
  return a_.fail(text);
}

bool ElementRun::Number(int input, int i, double* v) const {
  const int at = At(input, i);
  *v = 0;
  if (at < 0) return true;
  double* p = nullptr;
  if (!GetNumber(a_.ctx, 63, names_[input].c_str(), at, &p) || !p) return FailInput(input);
  *v = *p;
  return true;
}

bool ElementRun::Flagged(int input, int i, double* v, bool* inFrame) const {
  const int at = At(input, i);
  *v = 0;
  *inFrame = false;
  if (at < 0) return true;
  double* p = nullptr;
  if (!GetNumberTransformFlag(a_.ctx, 63, names_[input].c_str(), at, &p, inFrame) || !p) return FailInput(input);
  *v = *p;
  return true;
}

bool ElementRun::Point(int xInput, int yInput, int i, double* x, double* y) const {
  bool xFrame = false, yFrame = false;
  if (!Flagged(xInput, i, x, &xFrame) || !Flagged(yInput, i, y, &yFrame)) return false;
  if (xFrame != yFrame) return a_.fail(kNoTransform);
  if (!xFrame) TransformPoint(a_.ctx, *x, *y, x, y);
  return true;
}

bool ElementRun::Angle(int input, int i, double* angle, bool numberFallback) const {
  bool inFrame = false;
  const int at = At(input, i);
  double* p = nullptr;
  if (at >= 0 && numberFallback && !GetNumberTransformFlag(a_.ctx, 63, names_[input].c_str(), at, &p, &inFrame)) {
    // Read as a plain number and carried over as with a clear flag.
    if (!Number(input, i, angle)) return false;
    inFrame = false;
  } else if (!Flagged(input, i, angle, &inFrame)) {
    return false;
  }
  if (!inFrame) TransformAngle(a_.ctx, *angle, angle);
  NormalizeDegreeLongreal(angle);
  return true;
}

bool ElementRun::Flag(int input, int i, bool* v) const {
  const int at = At(input, i);
  *v = false;
  if (at < 0) return true;
  bool* p = nullptr;
  if (!GetFlag(a_.ctx, 63, names_[input].c_str(), at, &p) || !p) return FailInput(input);
  *v = *p;
  return true;
}

bool ElementRun::String(int input, int i, HostString** s) const {
  const int at = At(input, i);
  *s = nullptr;
  if (at < 0) return true;
  if (!GetString(a_.ctx, 63, names_[input].c_str(), at, s) || !*s) return FailInput(input);
  return true;
}

}  // namespace pranel
