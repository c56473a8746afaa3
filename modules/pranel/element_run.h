// The array rule of the constructors: the output gets one element per index
// of the longest input; a shorter input repeats its last value and an input
// without elements gives 0 (with a clear transform flag).
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "frame/run_args.h"

namespace pranel {

using frame::ParamName;
using frame::RunArgs;

inline constexpr std::u16string_view kNoInput = u"error: Cannot get input parameter ";
inline constexpr std::u16string_view kNoOutput = u"error: Cannot write to output parameter ";
inline constexpr std::u16string_view kNoTransform = u"error: Cannot transform coordinate system";

class ElementRun {
 public:
  // The inputs of `method` as its catalogue lists them. With finiteOnly,
  // numbers that are not finite are refused with the input's name.
  ElementRun(const RunArgs& a, int method, bool finiteOnly);

  // The highest index of the output: the largest of the inputs' (-1: none).
  int last() const { return last_; }
  const RunArgs& args() const { return a_; }

  // Element i of a number input; false with the failure text.
  bool Number(int input, int i, double* v) const;
  // A number with its transform flag (set: already in frame coordinates).
  bool Flagged(int input, int i, double* v, bool* inFrame) const;
  // A point of two flagged inputs, carried into the frame when its flags
  // are clear; flags that differ fail.
  bool Point(int xInput, int yInput, int i, double* x, double* y) const;
  // An angle carried into the frame when its flag is clear, into one turn.
  bool Angle(int input, int i, double* angle, bool numberFallback = false) const;
  bool Flag(int input, int i, bool* v) const;
  // The host string of element i, null for an input without elements.
  bool String(int input, int i, HostString** s) const;

  // The input's text, naming it by the host or else by the catalogue.
  bool FailInput(int input) const;
  bool FailNotFinite(int input) const;
  bool FailOutput() const;
  const ParamName& outputName() const { return output_; }

 private:
  // The element to read for index i, -1 when the input has none.
  int At(int input, int i) const;
  std::u16string_view NameOf(int input) const;
  bool Finite(int input, double v) const { return !finiteOnly_ || std::isfinite(v) || FailNotFinite(input); }

  const RunArgs& a_;
  int method_;
  bool finiteOnly_;
  std::vector<ParamName> names_;
  std::vector<int> max_;
  ParamName output_;
  int last_ = -1;
};

// Element i of the output through the getter of its type; null with the
// failure text.
template <class T>
T* OutputElement(const ElementRun& run, bool (*get)(void*, int, const char16_t*, int, T**), int i) {
  T* p = nullptr;
  const ParamName& name = run.outputName();
  if (!name.ok || !get(run.args().ctx, 63, name.c_str(), i, &p) || !p) {
    run.FailOutput();
    return nullptr;
  }
  return p;
}

using RunFn = bool (*)(const RunArgs&);

bool RunCoordinateSystem(const RunArgs&);
bool RunCoordinateSystem2Points(const RunArgs&);
bool RunRectangle(const RunArgs&);
bool RunRing(const RunArgs&);
bool RunRectangularRegion(const RunArgs&);
bool RunRingRegion(const RunArgs&);
bool RunPoint(const RunArgs&);
bool RunLine(const RunArgs&);
bool RunFlag(const RunArgs&);
bool RunNotFlag(const RunArgs&);
bool RunColor(const RunArgs&);
bool RunNumber(const RunArgs&);
bool RunString(const RunArgs&);
bool RunFrame(const RunArgs&);

}  // namespace pranel
