#include "frame/input_params.h"

#include <cmath>
#include <limits>

#include "frame/module_frame.h"

namespace frame {
namespace {

template <typename T, typename Getter>
T* First(const RunArgs& a, const ParamName& name, Getter get) {
  T* p = nullptr;
  if (!name.ok || !get(a.ctx, 63, name.c_str(), 0, &p)) return nullptr;
  return p;
}

void WarnArrayOf(const RunArgs& a, const ParamName& name, bool warnArray) {
  if (warnArray && name.ok) WarnArrayInput(a.ctx, 63, name.c_str());
}

// The number of the named input, NaN when missing or not a number.
double Number(const RunArgs& a, const ParamName& name) {
  const double* p = First<double>(a, name, GetNumber);
  return p ? *p : std::numeric_limits<double>::quiet_NaN();
}

// Element 0 of input i copied to *out; false (and *out untouched) when missing.
template <typename T, typename Getter>
bool CopyFirst(const RunArgs& a, int i, T* out, bool warnArray, Getter get) {
  const ParamName name = InputName(a, i);
  const T* p = First<T>(a, name, get);
  WarnArrayOf(a, name, warnArray);
  if (p) *out = *p;
  return p != nullptr;
}

}  // namespace

int InputPosition(std::span<const InputEntry> inputs, std::u16string_view name) {
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (inputs[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

ParamName InputNamed(const RunArgs& a, std::span<const InputEntry> inputs, std::u16string_view name) {
  const int i = InputPosition(inputs, name);
  return i < 0 ? ParamName{} : InputName(a, i);
}

int TruncateToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

void WarnArray(const RunArgs& a, int i) { WarnArrayOf(a, InputName(a, i), true); }

double NumberOr(const RunArgs& a, int i, double fallback, bool warnArray) {
  const ParamName name = InputName(a, i);
  const double v = Number(a, name);
  WarnArrayOf(a, name, warnArray);
  return std::isnan(v) ? fallback : v;
}

float RealInRange(const RunArgs& a, int i, double fallback, double lo, double hi, bool warnArray) {
  const ParamName name = InputName(a, i);
  double v = Number(a, name);
  if (std::isnan(v)) v = fallback;
  const double c = v < lo ? lo : v > hi ? hi : v;
  if (c != v) WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(v), static_cast<float>(c));
  WarnArrayOf(a, name, warnArray);
  return static_cast<float>(c);
}

int IntInRange(const RunArgs& a, int i, int fallback, int lo, int hi, bool warnArray) {
  const ParamName name = InputName(a, i);
  const double v = Number(a, name);
  const int n = std::isnan(v) ? fallback : TruncateToInt(v);
  const int c = n < lo ? lo : n > hi ? hi : n;
  if (c != n) WarnIntParameterCorrected(a.ctx, 63, name.c_str(), n, c);
  WarnArrayOf(a, name, warnArray);
  return c;
}

bool FlagOr(const RunArgs& a, int i, bool fallback, bool warnArray) {
  const ParamName name = InputName(a, i);
  const bool* p = First<bool>(a, name, GetFlag);
  WarnArrayOf(a, name, warnArray);
  return p ? *p : fallback;
}

bool ColorOf(const RunArgs& a, int i, TColor* out, bool warnArray) {
  return CopyFirst(a, i, out, warnArray, GetColor);
}

bool RegionOf(const RunArgs& a, int i, TRectangularRegion* out, bool warnArray) {
  return CopyFirst(a, i, out, warnArray, GetRectangularRegion);
}

}  // namespace frame
