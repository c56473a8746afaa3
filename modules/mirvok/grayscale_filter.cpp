#include "filters.h"
#include "params.h"

namespace mirvok {

bool CGPUGrayscaleFilter::ReadParameters(const RunArgs& a) {
  WarnArray(a, 1);
  levels_ = IntInRange(a, 2, 1, 0, 256, true);
  threshold_ = RealInRange(a, 3, 0.5, 0, 1, true);
  area_ = IntInRange(a, 4, 15, 2, 50, true);
  sensitivity_ = RealInRange(a, 5, 0.05, 0, 0.3, true);
  negative_ = FlagOr(a, 6, false, true);
  red_ = RealInRange(a, 7, 0, -2, 2, true);
  green_ = RealInRange(a, 8, 0, -2, 2, true);
  blue_ = RealInRange(a, 9, 0, -2, 2, true);
  copyRegion_ = FlagOr(a, 10, true, true);
  drawOutputs_ = FlagOr(a, 11, false, true);
  return true;
}

bool CGPUGrayscaleFilter::InitGL(int errLen, char16_t* errBuf) {
  if (!CGPUCommonFilter::InitGL(errLen, errBuf) ||
      !BuildFilterProgram("Grayscale_filter", &filterProgram_, errLen, errBuf)) {
    return false;
  }
  static constexpr const char* kNames[kLocations] = {"ColorRed",      "ColorGreen", "ColorBlue",   "Levels",
                                                     "Threshold",     "ThresholdArea", "Sensitivity", "Negative"};
  for (int i = 0; i < kLocations; ++i) locations_[i] = glGetUniformLocation(filterProgram_, kNames[i]);
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  return true;
}

void CGPUGrayscaleFilter::SetUniforms() {
  glUniform1f(locations_[kRed], red_);
  glUniform1f(locations_[kGreen], green_);
  glUniform1f(locations_[kBlue], blue_);
  glUniform1i(locations_[kLevels], levels_);
  glUniform1f(locations_[kThreshold], threshold_);
  glUniform1i(locations_[kArea], area_);
  glUniform1f(locations_[kSensitivity], sensitivity_);
  glUniform1i(locations_[kNegative], negative_ ? 255 : 0);
}

}  // namespace mirvok
