// The filter object behind every method instance, the common steps of a run
// (frames, numbers with their corrections and warnings, thresholds) and the
// frame-sized work buffers the filters keep between runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "frame/input_params.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace jorvel {

using frame::RunArgs;

inline constexpr std::u16string_view kNoInputFrame = u"error: Cannot get input frame";
inline constexpr std::u16string_view kNoOutputFrame = u"error: Cannot get output frame";

class CFilter {
 public:
  explicit CFilter(int method, int width = -1, int depth = -1, int bpp = -1)
      : method_(method), width_(width), depth_(depth), bpp_(bpp) {}
  virtual ~CFilter() = default;
  CFilter(const CFilter&) = delete;
  CFilter& operator=(const CFilter&) = delete;

  virtual bool Run(const RunArgs& a) = 0;

  int method() const { return method_; }

 protected:
  // Whether the geometry differs from the previous run's; stores the new one.
  // Decided once per run, before any buffer is looked at.
  bool FrameChanged(int width, int depth, int bpp);

 private:
  int method_;
  int width_, depth_, bpp_;
};

// An owned frame (header and pixels) that a filter keeps between runs.
class WorkFrame {
 public:
  bool empty() const { return bytes_.empty(); }
  // A fresh frame of the given geometry with `extra` spare bytes after it.
  void Make(int width, int depth, int bpp, size_t extra = 0);
  Frame* frame() { return reinterpret_cast<Frame*>(bytes_.data()); }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// The input frame of position 0 with its geometry.
struct Input {
  Frame* frame = nullptr;
  int width = 0, depth = 0, bpp = 0;
};

// Step 1 of every run; false after writing the failure text.
bool GetInput(const RunArgs& a, Input* in);
// Output frame 0 with the given geometry; false after writing the text.
bool GetOutput(const RunArgs& a, int width, int depth, int bpp, Frame** out);

// A host number in single precision; values past its range become infinite.
float ToFloat(double v);

// Number input i: its name, and the host's value or the default when either
// cannot be had; WarnArrayInput has been called in every case.
struct Number {
  frame::ParamName name;
  double value = 0;
};
Number ReadNumber(const RunArgs& a, int i, double def);

// Number input i as an integer, corrected into lo..hi with its warning.
int ReadInt(const RunArgs& a, int i, int def, int lo, int hi);
// Number input i rounded to single precision, corrected into lo..hi.
float ReadReal(const RunArgs& a, int i, float def, float lo, float hi);
// A fraction 0..1 (default 0.5, corrected) as the 8-bit threshold t * 255.
int ReadThreshold(const RunArgs& a, int i);

}  // namespace jorvel
