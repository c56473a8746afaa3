// Run conventions shared by every ilvant method: arguments of a run, inputs
// and outputs named by position, and the common failure texts. Frame access
// (rows, strides, copies) is in frame_access.h.
#pragma once

#include <cstdint>
#include <string>

#include "frame/module_frame.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace ilvant {

using frame::InputName;
using frame::OutputName;
using frame::ParamName;
using frame::RunArgs;

// Element 0 of number input i with the input's name; an array connected to it
// is reported unless warnArray is off.
struct NumberInput {
  ParamName name;
  double value = 0.0;
  bool ok = false;
};

inline NumberInput ReadNumber(const RunArgs& a, int i, bool warnArray = true) {
  NumberInput n;
  n.name = InputName(a, i);
  double* p = nullptr;
  if (!n.name.ok || !GetNumber(a.ctx, 63, n.name.c_str(), 0, &p) || !p) return n;
  if (warnArray) frame::WarnArrayInput(a.ctx, 63, n.name.c_str());
  n.value = *p;
  n.ok = true;
  return n;
}

inline constexpr std::u16string_view kNoInputFrame = u"error: Cannot get input frame ";
inline constexpr std::u16string_view kNoOutputFrame = u"error: Cannot get output frame";
inline constexpr std::u16string_view kZeroDimension = u"error: Cannot process frame with zero dimension";

// One run function per method; each family lives in its own file.
using RunFn = bool (*)(const RunArgs&);

// Pixel arithmetic, blending, masking, thresholding (arith.cpp, blend.cpp, mask.cpp).
bool RunSimpleThreshold(const RunArgs&);  // 0
bool RunInverse(const RunArgs&);          // 20
bool RunAddConst(const RunArgs&);         // 21
bool RunMultConst(const RunArgs&);        // 22
bool RunAddFrame(const RunArgs&);         // 23
bool RunSubFrame(const RunArgs&);         // 24
bool RunPasteMask(const RunArgs&);        // 25
bool RunBlendFrame(const RunArgs&);       // 26
bool RunBlendFrameAlpha(const RunArgs&);  // 27
bool RunMasking(const RunArgs&);          // 31

// Colour (color.cpp, false_color.cpp, histogram.cpp).
bool RunColorToMonochrome(const RunArgs&);      // 1
bool RunColorToMonochromeAvg(const RunArgs&);   // 2
bool RunMonochromeToColor(const RunArgs&);      // 3
bool RunSplitRGB(const RunArgs&);               // 5
bool RunCombineRGB(const RunArgs&);             // 6
bool RunSplitHSL(const RunArgs&);               // 7
bool RunCombineHSL(const RunArgs&);             // 8
bool RunFalseColor(const RunArgs&);             // 30
bool RunHistogramEqualization(const RunArgs&);  // 35

// Geometry and resampling (turns.cpp, crop.cpp, resample.cpp, rotate.cpp).
bool RunRotate90Right(const RunArgs&);   // 9
bool RunRotate90Left(const RunArgs&);    // 10
bool RunRotate180(const RunArgs&);       // 11
bool RunRotate(const RunArgs&);          // 12
bool RunTranslate(const RunArgs&);       // 13
bool RunCrop(const RunArgs&);            // 14
bool RunFlipHorizontal(const RunArgs&);  // 15
bool RunFlipVertical(const RunArgs&);    // 16
bool RunDownsample(const RunArgs&);      // 17
bool RunOversample(const RunArgs&);      // 18
bool RunResize(const RunArgs&);          // 19

// Pixel access and counting (pixels.cpp, counting.cpp).
bool RunLinePixelCount(const RunArgs&);    // 28
bool RunRegionPixelCount(const RunArgs&);  // 29
bool RunGetPixel(const RunArgs&);          // 32
bool RunPutPixel(const RunArgs&);          // 33
bool RunPutRegion(const RunArgs&);         // 34

// copy_frame (4) runs in the dispatcher.
bool RunCopyFrame(const RunArgs&);

using frame::WarnArraySizeMismatch;

// Methods whose computation has no 24-bit form refuse such frames rather than
// answer true with an untouched output.
inline constexpr std::u16string_view kNo24Bit = u"error: Frame format not supported (24 bit/pix)";

}  // namespace ilvant
