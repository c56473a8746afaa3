#include "params.h"

#include <cmath>
#include <limits>

#include "frame/module_frame.h"

namespace mirvok {
namespace {

template <typename T, typename Getter>
T* Element(const RunArgs& a, const frame::ParamName& name, Getter get) {
  T* p = nullptr;
  if (!name.ok || !get(a.ctx, 63, name.c_str(), 0, &p)) return nullptr;
  return p;
}

// A double truncated toward zero and saturated to the int range.
int Truncate(double v) {
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

void WarnArrayOf(const RunArgs& a, const frame::ParamName& name, bool warnArray) {
  if (warnArray && name.ok) frame::WarnArrayInput(a.ctx, 63, name.c_str());
}

// The number of input i, NaN when missing or not a number.
double Number(const RunArgs& a, const frame::ParamName& name) {
  const double* p = Element<double>(a, name, GetNumber);
  return p ? *p : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

void WarnArray(const RunArgs& a, int i) { WarnArrayOf(a, frame::InputName(a, i), true); }

double NumberOr(const RunArgs& a, int i, double fallback, bool warnArray) {
  const frame::ParamName name = frame::InputName(a, i);
  const double v = Number(a, name);
  WarnArrayOf(a, name, warnArray);
  return std::isnan(v) ? fallback : v;
}

float RealInRange(const RunArgs& a, int i, double fallback, double lo, double hi, bool warnArray) {
  const frame::ParamName name = frame::InputName(a, i);
  double v = Number(a, name);
  if (std::isnan(v)) v = fallback;
  const double c = v < lo ? lo : v > hi ? hi : v;
  if (c != v) frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(v), static_cast<float>(c));
  WarnArrayOf(a, name, warnArray);
  return static_cast<float>(c);
}

int IntInRange(const RunArgs& a, int i, int fallback, int lo, int hi, bool warnArray) {
  const frame::ParamName name = frame::InputName(a, i);
  const double v = Number(a, name);
  const int n = std::isnan(v) ? fallback : Truncate(v);
  const int c = n < lo ? lo : n > hi ? hi : n;
  if (c != n) frame::WarnIntParameterCorrected(a.ctx, 63, name.c_str(), n, c);
  WarnArrayOf(a, name, warnArray);
  return c;
}

bool FlagOr(const RunArgs& a, int i, bool fallback, bool warnArray) {
  const frame::ParamName name = frame::InputName(a, i);
  const bool* p = Element<bool>(a, name, GetFlag);
  WarnArrayOf(a, name, warnArray);
  return p ? *p : fallback;
}

bool ColorOf(const RunArgs& a, int i, TColor* out, bool warnArray) {
  const frame::ParamName name = frame::InputName(a, i);
  const TColor* p = Element<TColor>(a, name, GetColor);
  WarnArrayOf(a, name, warnArray);
  if (p) *out = *p;
  return p != nullptr;
}

}  // namespace mirvok
