// CIPStep: the one method object of lomber. Its type (the method index)
// selects the run; the fields keep a pattern analysis, tolerances and the
// matching buffers between runs of one instance.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "colour.h"
#include "frame/input_params.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace lomber {

using frame::RunArgs;

// One region found by a matching run.
struct ResultRecord {
  int32_t minX, minY, maxX, maxY, centroidX, centroidY, pixels;
};

// A seed of the region-growing stack. 32-bit coordinates: frames may be wider
// or deeper than 32767 pixels.
struct Seed {
  int32_t x, y;
};

inline constexpr int kSeedStackSize = 4096;  // entry 0 stays empty
inline constexpr int kInitialResultCapacity = 4096;
inline constexpr int kResultGrowth = 1024;

class CIPStep {
 public:
  void SetType(int index) { type = index; }
  bool Run(const RunArgs& a);

  int type = 0;
  int tooComplex = 0;
  double width = 0, height = 0;
  int pixelCount = 0;
  int bpp = 0;
  double patternWidth = 0, patternHeight = 0;
  int patternBpp = 0;
  int compareMode = 0;
  int resultCapacity = kInitialResultCapacity;
  int resultCount = 0;
  int scanStep = 0;
  double measured[7] = {};  // R, G, B, A, hue, saturation, lightness
  HueWindow hueWindow;
  int patternStamp = 0;
  bool patternAnalysed = false;  // the stamp alone cannot tell: any value may be a real stamp
  double reference[4] = {};
  double foreground[4] = {};
  double background[4] = {};
  double hueCentre = 90.0;
  double meanLightness = 0.5, meanSaturation = 0.5;
  double deviation[3] = {};
  double threshold = 0;
  double scaledDeviation[3] = {};
  double lightnessTolerance = 1.0, saturationTolerance = 1.0;
  HslLimits hslLimits;
  bool greyPattern = false;
  int scanCounter = 0;
  int histogram[kBinCount] = {};
  int smoothed[kHueBins] = {};
  int binMax = 0, smoothedMax = 0, dominantBin = 0, rangeHigh = 0, rangeLow = 0;
  double hueSum[kHueBins] = {};
  double saturationSum[kHueBins] = {};
  double lightnessSum[kBinCount] = {};
  Seed seedStack[kSeedStackSize] = {};
  int seedTop = 0;
  int regionPixels = 0, patternPixels = 0;
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  int64_t sumX = 0, sumY = 0;
  std::vector<ResultRecord> results;
  std::vector<uint8_t> mask;
  bool overlay = false, showResults = true;
  uint8_t* inputPixels = nullptr;
  uint8_t* outputPixels = nullptr;
  Frame* inputFrame = nullptr;
  Frame* patternFrame = nullptr;
  Frame* outputFrame = nullptr;
  TRectangularRegion* region = nullptr;

  // Runs by method index (filters.cpp; the others in their own files).
  bool FilterHsl(const RunArgs& a);
  bool FilterRgb(const RunArgs& a);
  bool ColorMatchAverage(const RunArgs& a);
  bool GetAverageColor(const RunArgs& a);
  bool CompareAverageColor(const RunArgs& a);
  bool ColorMatchDominant(const RunArgs& a);
  bool GetDominantColor(const RunArgs& a);
  bool CompareDominantColor(const RunArgs& a);

  // Matching (matching.cpp).
  bool OpenMatchFrames(const RunArgs& a);
  bool MatchRegions(const RunArgs& a);
  void AnalyseAveragePattern();
  void AnalyseDominantPattern();
  bool Eligible(int x, int y) const;
  bool Push(int x, int y);
  bool Grow(int x, int y);
  bool SeedAt(int x, int y);  // the scan-line callback; false stops the scan
  int32_t newPatternStamp = 0;

  // Measurements (measure.cpp): one region's histogram; false when no pixel counted.
  bool RegionHistogram(const TRectangularRegion* r);
  // The tolerance compare_dominant_color applies to grey colours: the user's
  // last one, kept apart from the measured half-width.
  double compareTolerance = 0.05;
};

// ---- Helpers shared by the runs ------------------------------------------------

inline constexpr char16_t kNoInputFrame[] = u"Error: Cannot get input frame";
inline constexpr char16_t kNoOutputFrame[] = u"Error: Cannot get output frame";
inline constexpr char16_t kFormatNotSupported[] = u"Error: Image format not supported";
inline constexpr char16_t kIncorrectParameter[] = u"Error: Incorrect parameter value";
inline constexpr char16_t kBadRegion[] = u"Error: Region is out of image or it has bad dimensions";

// Input i by name and element 0 (WarnArrayInput follows when warn is set);
// false when the input is unnamed or has no value.
bool InputNumber(const RunArgs& a, int i, double* v, bool warn = true);
// A colour component that is not a number reads as 0.
bool InputColor(const RunArgs& a, int i, TColor* c, bool warn = true);
bool InputFlag(const RunArgs& a, int i, bool* v, bool warn = true);
// The region of input i, element elem; null (the whole frame) when missing.
TRectangularRegion* InputRegion(const RunArgs& a, int i, int elem = 0, bool warn = true);

// Input 0 as a 32-bit frame: false with the module's text otherwise.
bool InputFrame32(const RunArgs& a, Frame** f);

}  // namespace lomber
