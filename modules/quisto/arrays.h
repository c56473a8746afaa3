// Inputs processed element by element: the shorter array keeps its last
// element, and outputs are fetched per element and sized after the loop.
#pragma once

#include <algorithm>
#include <cmath>

#include "catalogue.h"
#include "run.h"

namespace quisto {

template <class T>
using Getter = bool (*)(void*, int, const char16_t*, int, T**);

inline bool AllFinite(double v) { return std::isfinite(v); }
inline bool AllFinite(const TPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
inline bool AllFinite(const TLine& l) {
  return std::isfinite(l.x0) && std::isfinite(l.y0) && std::isfinite(l.x1) && std::isfinite(l.y1);
}

template <class T>
struct ArrayInput {
  ArrayInput(const RunArgs& a, int method, int input, Getter<T> getter, std::u16string_view failPrefix,
             int hi = kNameHi)
      : name(frame::InputName(a, input, hi)),
        max(MaxIndexOf(a.ctx, hi, name)),
        get(getter),
        prefix(failPrefix),
        listed(kCatalogue.ListedInputName(method, input)),
        hi_(hi) {}

  // Reads element i while i is within this array; past its end the last
  // element read stays. False with the failure text when it cannot be read
  // or is not finite.
  bool fetch(const RunArgs& a, int i) {
    if (i > max) return true;
    T* p = nullptr;
    if (!name.ok) return FailNamed(a, prefix, listed);
    if (!get(a.ctx, hi_, name.c_str(), i, &p) || !p) return FailNamed(a, prefix, name.c_str());
    if (!AllFinite(*p)) return FailNamed(a, frame::kNotFiniteInput, name.c_str());
    value = *p;
    return true;
  }

  ParamName name;
  int max;
  T value{};
  Getter<T> get;
  std::u16string_view prefix;
  std::u16string_view listed;  // the catalogue's name, for an unconnected input

 private:
  int hi_;
};

template <class T>
struct ArrayOutput {
  ArrayOutput(const RunArgs& a, int output, Getter<T> getter, int hi = kNameHi)
      : name(frame::OutputName(a, output, hi)), get(getter), hi_(hi) {}

  // Element i, null with the failure text when it cannot be had.
  T* at(const RunArgs& a, int i) {
    T* p = nullptr;
    if (!name.ok || !get(a.ctx, hi_, name.c_str(), i, &p) || !p) {
      FailNamed(a, kNoOutput, name.c_str());
      return nullptr;
    }
    return p;
  }
  void size(const RunArgs& a, int max) const {
    if (name.ok) SetObjectMaxIndex(a.ctx, hi_, name.c_str(), max);
  }

  ParamName name;
  Getter<T> get;

 private:
  int hi_;
};

// Runs body(i) for i = 0 .. max, then sizes the output to max; a max below 0
// only sizes it. The body answers false with the failure text.
template <class T, class Body>
bool ForEachElement(const RunArgs& a, int max, const ArrayOutput<T>& out, Body body) {
  for (int i = 0; i <= max; ++i) {
    if (!body(i)) return false;
  }
  out.size(a, max);
  return true;
}

}  // namespace quisto
