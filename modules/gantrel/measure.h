// The base of every measurement method object and the run conventions the
// methods share: the arguments of one run, inputs and outputs by position,
// element 0 of an input, and output elements by running index.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "frame/run_args.h"
#include "frame/scan_span.h"
#include "talvix.h"

namespace gantrel {

using frame::RunArgs;
using frame::ParamName;
using frame::InputName;
using frame::OutputName;
using frame::FrameRows;
using frame::WarnArray;  // WarnArrayInput for input i, when it can be named

// Every method is an object of a class derived from CMeasure; InitMethod
// creates it, RunMethod runs it, DoneMethod deletes it.
class CMeasure {
 public:
  explicit CMeasure(int index) : methodIndex(index) {}
  virtual ~CMeasure() = default;
  CMeasure(const CMeasure&) = delete;
  CMeasure& operator=(const CMeasure&) = delete;

  // True on success; false with a text in the error buffer, or without one.
  virtual bool Run(const RunArgs& args) = 0;

  int32_t methodIndex;
};

// Element elem of input or output i through the host getter; null when the
// parameter cannot be named or the host answers false.
template <class T>
using ElementGetter = bool (*)(void*, int, const char16_t*, int, T**);

template <class T>
T* InputElement(const RunArgs& a, int i, ElementGetter<T> get, int elem = 0) {
  const ParamName n = InputName(a, i);
  T* p = nullptr;
  return n.ok && get(a.ctx, 63, n.c_str(), elem, &p) ? p : nullptr;
}

template <class T>
T* OutputElement(const RunArgs& a, int i, ElementGetter<T> get, int elem) {
  const ParamName n = OutputName(a, i);
  T* p = nullptr;
  return n.ok && get(a.ctx, 63, n.c_str(), elem, &p) ? p : nullptr;
}

inline double* NumberInput(const RunArgs& a, int i) { return InputElement<double>(a, i, GetNumber); }
inline bool* FlagInput(const RunArgs& a, int i) { return InputElement<bool>(a, i, GetFlag); }

// Highest index of input i; false when the host has none.
inline bool InputMaxIndex(const RunArgs& a, int i, int* n) {
  const ParamName name = InputName(a, i);
  return name.ok && GetObjectMaxIndex(a.ctx, 63, name.c_str(), n);
}

inline void SetOutputMaxIndex(const RunArgs& a, int i, int n) {
  const ParamName name = OutputName(a, i);
  if (name.ok) SetObjectMaxIndex(a.ctx, 63, name.c_str(), n);
}

// Input frame i; null when absent.
inline Frame* InputFrame(const RunArgs& a, int i) {
  Frame* f = nullptr;
  return frame::InputFrame(a, i, &f) ? f : nullptr;
}

// "Not acceptable value ..." for integer input i, when it can be named.
inline void WarnIntCorrected(const RunArgs& a, int i, int oldValue, int newValue) {
  const ParamName n = InputName(a, i);
  if (n.ok) frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), oldValue, newValue);
}

// A count input i corrected to `used`, warned in the integer form, or in the
// real one where the asked value has no int form.
inline void WarnCountCorrected(const RunArgs& a, int i, double asked, int used) {
  if (std::fabs(asked) < 2147483648.0) return WarnIntCorrected(a, i, frame::TruncateToInt(asked), used);
  const ParamName n = InputName(a, i);
  if (n.ok) frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(asked), static_cast<float>(used));
}

// The most elements the host holds in one output.
inline constexpr int kMaxOutputElements = 1 << 24;

// Lines that any region may take, however thin: over-sampling a region is an
// ordinary request and answers as asked up to here.
inline constexpr int kFreeLineCount = 1 << 16;

// A requested count of scan lines spread over extent pixels, bounded only
// where the count is far past any use: beyond kFreeLineCount more lines than
// pixel positions across the extent only repeat one another, and no output
// holds more than kMaxOutputElements, so a huge count cannot run on for ages.
inline int BoundedLineCount(double requested, double extent) {
  const int n = frame::TruncateToInt(requested);
  const double positions = std::isfinite(extent) ? std::ceil(std::fabs(extent)) + 1 : 1;
  const double most = std::min<double>(std::max<double>(positions, kFreeLineCount), kMaxOutputElements);
  return std::min(n, static_cast<int>(most));
}

// The count of scan lines of input i, bounded as above; a count held to the
// bound is warned, as the radial methods warn of their spokes.
inline int LineCountInput(const RunArgs& a, int i, double requested, double extent) {
  const int n = BoundedLineCount(requested, extent);
  if (n < frame::TruncateToInt(requested)) WarnCountCorrected(a, i, requested, n);
  return n;
}

// The lines of `lines` (already bounded) across the region that can reach the
// frame: a region far past the frame lays most of its lines off it.
inline frame::ScanSpan LinesInFrame(const Frame* f, const TRectangularRegion* region, int lines) {
  return frame::ScanSpanInFrame(f, region, lines, false, HUGE_VAL);
}

// The extent the scan lines of a rectangular region are spread over: its
// height, or the frame's depth without a region.
inline double AcrossRegion(const Frame* f, const TRectangularRegion* region) {
  return region ? region->height : GetFrameDepth(f);
}

// A fraction of the 8-bit range as a level: x 255, truncated.
inline int Level(double fraction) { return frame::TruncateToInt(fraction * 255.0); }

inline constexpr std::u16string_view kNoInputFrame = u"error: Cannot get input frame";
inline constexpr std::u16string_view kNoEdge = u"Cannot find the edge with specified input parametres";

}  // namespace gantrel
