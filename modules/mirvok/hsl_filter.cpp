#include <algorithm>

#include "filters.h"
#include "params.h"

namespace mirvok {
namespace {

// Hue in degrees (pure red gives 360), saturation and lightness, in floats.
void ToHsl(float r, float g, float b, float* hue, float* saturation, float* lightness) {
  const float mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const float chroma = mx - mn;
  *lightness = (mx + mn) / 2;
  *hue = *saturation = 0;
  if (!(*lightness > 0 && chroma > 0)) return;
  *saturation = *lightness <= 0.5f ? chroma / (mx + mn) : chroma / (2 - mx - mn);
  float h;
  if (r == mx) {
    h = g == mn ? 5 + (mx - b) / chroma : 1 - (mx - g) / chroma;
  } else if (g == mx) {
    h = b == mn ? 1 + (mx - r) / chroma : 3 - (mx - b) / chroma;
  } else {
    h = r == mn ? 3 + (mx - g) / chroma : 5 - (mx - r) / chroma;
  }
  *hue = 60 * h;
}

void SetColor(float out[3], const TColor& c) {
  out[0] = static_cast<float>(c.R);
  out[1] = static_cast<float>(c.G);
  out[2] = static_cast<float>(c.B);
}

}  // namespace

bool CGPUHSLFilter::ReadParameters(const RunArgs& a) {
  TColor c{};
  if (ColorOf(a, 2, &c, false)) {
    ToHsl(static_cast<float>(c.R), static_cast<float>(c.G), static_cast<float>(c.B), &hue_, &saturation_,
          &lightness_);
  } else {
    hue_ = 0, saturation_ = 0.5f, lightness_ = 0.5f;
  }
  tolerance_ = static_cast<float>(NumberOr(a, 3, 5, false));
  minLightness_ = static_cast<float>(NumberOr(a, 4, 0, false));
  maxLightness_ = static_cast<float>(NumberOr(a, 5, 1, false));
  minSaturation_ = static_cast<float>(NumberOr(a, 6, 0, false));
  maxSaturation_ = static_cast<float>(NumberOr(a, 7, 1, false));
  // A red of -1 tells the shader the colour is not given.
  if (ColorOf(a, 8, &c, false)) SetColor(foreground_, c);
  else foreground_[0] = -1, foreground_[1] = 0, foreground_[2] = 0;
  if (ColorOf(a, 9, &c, false)) SetColor(background_, c);
  else background_[0] = -1, background_[1] = 1, background_[2] = 1;
  copyRegion_ = FlagOr(a, 10, true, false);
  drawOutputs_ = FlagOr(a, 11, false, false);
  return true;
}

bool CGPUHSLFilter::InitGL(int errLen, char16_t* errBuf) {
  if (!CGPUCommonFilter::InitGL(errLen, errBuf) || !BuildFilterProgram("HSL_filter", &filterProgram_, errLen, errBuf)) {
    return false;
  }
  static constexpr const char* kNames[kLocations] = {"Color",            "ForegroundColor",  "BackgroundColor",
                                                     "ColorTolerance",   "MinimalLightness", "MaximalLightness",
                                                     "MinimalSaturation", "MaximalSaturation"};
  for (int i = 0; i < kLocations; ++i) locations_[i] = glGetUniformLocation(filterProgram_, kNames[i]);
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  return true;
}

void CGPUHSLFilter::SetUniforms() {
  glUniform3f(locations_[kColor], hue_, saturation_, lightness_);
  glUniform3fv(locations_[kForeground], 1, foreground_);
  glUniform3fv(locations_[kBackground], 1, background_);
  glUniform1f(locations_[kTolerance], tolerance_);
  glUniform1f(locations_[kMinL], minLightness_);
  glUniform1f(locations_[kMaxL], maxLightness_);
  glUniform1f(locations_[kMinS], minSaturation_);
  glUniform1f(locations_[kMaxS], maxSaturation_);
}

}  // namespace mirvok
