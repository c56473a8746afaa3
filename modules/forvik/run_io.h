// Reading inputs and writing outputs by position, as every run of the module
// does: a missing input leaves the caller's default.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "frame/run_args.h"
#include "talvix.h"

namespace forvik {

using frame::InputName;
using frame::OutputName;
using frame::ParamName;
using frame::RunArgs;

// Input frame i; null when it cannot be named or had.
inline Frame* InputFrameAt(const RunArgs& a, int i) {
  const ParamName n = InputName(a, i);
  Frame* f = nullptr;
  if (!n.ok || !GetInputFrame(a.ctx, 63, n.c_str(), &f)) return nullptr;
  return f;
}

// Each element input is followed by the array-input warning.
inline const TRectangularRegion* RegionAt(const RunArgs& a, int i) {
  const ParamName n = InputName(a, i);
  if (!n.ok) return nullptr;
  TRectangularRegion* r = nullptr;
  const bool had = GetRectangularRegion(a.ctx, 63, n.c_str(), 0, &r);
  frame::WarnArrayInput(a.ctx, 63, n.c_str());
  return had ? r : nullptr;
}

// The number, or null when missing.
inline double* NumberAt(const RunArgs& a, int i) {
  const ParamName n = InputName(a, i);
  if (!n.ok) return nullptr;
  double* v = nullptr;
  const bool had = GetNumber(a.ctx, 63, n.c_str(), 0, &v);
  frame::WarnArrayInput(a.ctx, 63, n.c_str());
  return had ? v : nullptr;
}

inline bool FlagAt(const RunArgs& a, int i, bool fallback) {
  const ParamName n = InputName(a, i);
  if (!n.ok) return fallback;
  bool* v = nullptr;
  const bool had = GetFlag(a.ctx, 63, n.c_str(), 0, &v);
  frame::WarnArrayInput(a.ctx, 63, n.c_str());
  return had && v ? *v : fallback;
}

inline bool PointAt(const RunArgs& a, int i, TPoint* out) {
  const ParamName n = InputName(a, i);
  if (!n.ok) return false;
  TPoint* v = nullptr;
  const bool had = GetPoint(a.ctx, 63, n.c_str(), 0, &v);
  frame::WarnArrayInput(a.ctx, 63, n.c_str());
  if (had && v) *out = *v;
  return had && v;
}

// Output element `elem` of output j, null when the output is not had.
template <class T, class Getter>
T* OutputElement(const RunArgs& a, int j, int elem, Getter get) {
  const ParamName n = OutputName(a, j);
  T* p = nullptr;
  if (!n.ok || !get(a.ctx, 63, n.c_str(), elem, &p)) return nullptr;
  return p;
}

inline void SetOutputMaxIndex(const RunArgs& a, int j, int n) {
  const ParamName name = OutputName(a, j);
  if (name.ok) SetObjectMaxIndex(a.ctx, 63, name.c_str(), n);
}

// A single number output.
inline void WriteNumber(const RunArgs& a, int j, double value) {
  if (double* p = OutputElement<double>(a, j, 0, GetNumber)) *p = value;
  SetOutputMaxIndex(a, j, 0);
}

inline void WriteLine(const RunArgs& a, int j, const TLine& line) {
  if (TLine* p = OutputElement<TLine>(a, j, 0, GetLine)) *p = line;
  SetOutputMaxIndex(a, j, 0);
}

// A printf-style label as the host's 16-bit text.
template <class... T>
std::u16string Label(const char* format, T... values) {
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, format, values...);
  std::u16string out;
  for (int i = 0; i < n && i < static_cast<int>(sizeof buf) - 1; ++i) out += static_cast<char16_t>(buf[i]);
  return out;
}

}  // namespace forvik
