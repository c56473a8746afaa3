#include "element_run.h"

#include <algorithm>

#include "catalogue.h"

namespace pranel {

ElementRun::ElementRun(const RunArgs& a, int method, bool finiteOnly)
    : a_(a), method_(method), finiteOnly_(finiteOnly), output_(frame::OutputName(a, 0)) {
  const int inputCount = static_cast<int>(kCatalogue.methods()[method].inputs.size());
  names_.resize(inputCount);
  max_.assign(inputCount, -1);
  for (int k = 0; k < inputCount; ++k) {
    names_[k] = frame::InputName(a, k);
    int n = -1;
    if (names_[k].ok && GetObjectMaxIndex(a.ctx, 63, names_[k].c_str(), &n)) max_[k] = n;
    last_ = std::max(last_, max_[k]);
  }
}

int ElementRun::At(int input, int i) const { return max_[input] < 0 ? -1 : std::min(i, max_[input]); }

std::u16string_view ElementRun::NameOf(int input) const {
  return names_[input].ok ? std::u16string_view(names_[input].c_str()) : kCatalogue.ListedInputName(method_, input);
}

bool ElementRun::FailInput(int input) const {
  std::u16string text(kNoInput);
  text += NameOf(input);
  return a_.fail(text);
}

bool ElementRun::FailNotFinite(int input) const {
  std::u16string text(frame::kNotFiniteInput);
  text += NameOf(input);
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
  return Finite(input, *v);
}

bool ElementRun::Flagged(int input, int i, double* v, bool* inFrame) const {
  const int at = At(input, i);
  *v = 0;
  *inFrame = false;
  if (at < 0) return true;
  double* p = nullptr;
  if (!GetNumberTransformFlag(a_.ctx, 63, names_[input].c_str(), at, &p, inFrame) || !p) return FailInput(input);
  *v = *p;
  return Finite(input, *v);
}

bool ElementRun::Point(int xInput, int yInput, int i, double* x, double* y) const {
  bool xFrame = false, yFrame = false;
  if (!Flagged(xInput, i, x, &xFrame) || !Flagged(yInput, i, y, &yFrame)) return false;
  if (xFrame != yFrame) return a_.fail(kNoTransform);
  if (!xFrame) TransformPoint(a_.ctx, *x, *y, x, y);
  // Finite coordinates carried past the double range.
  if (finiteOnly_ && !(std::isfinite(*x) && std::isfinite(*y))) return a_.fail(kNoTransform);
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
