#include "objects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "frame/hsl.h"
#include "frame/turns.h"
#include "spot.h"

namespace gantrel {

namespace {

constexpr int kNone = -1;

// Input positions of each method; kNone where a method has no such input.
struct InputPositions {
  int threshold, negative, minPixels, maxPixels, border, objectColor, background, show;
  int colorToFind, colorTolerance, brightness, saturation, deviation;
};

constexpr InputPositions kByThresholdInputs{2, 3, 4, kNone, 5, 6, 7, 8, kNone, kNone, kNone, kNone, kNone};
constexpr InputPositions kByColorInputs{kNone, kNone, 6, kNone, 7, 8, 9, 10, 2, 3, 4, 5, kNone};
constexpr InputPositions kByTextureInputs{kNone, kNone, 3, kNone, 4, 5, 6, 7, kNone, kNone, kNone, kNone, 2};
// Gap filling: its "Filling color" stands where the object colour is.
constexpr InputPositions kGapInputs{2, 3, kNone, 4, 5, 6, kNone, 7, kNone, kNone, kNone, kNone, kNone};

const InputPositions& Positions(int method) {
  switch (method) {
    case 16: return kByColorInputs;
    case 17: return kByTextureInputs;
    case 26: return kGapInputs;
    default: return kByThresholdInputs;
  }
}

enum Output { kCountOut, kCentroidOut, kSizeOut, kCharacterOut, kFrameOut, kBoxOut };

constexpr std::u16string_view kBadBorderMode = u"error: Cannot get parameter for object detection";

// The region's turn with an exact sine and cosine at quarter turns, so that
// pixel centres on the region's edge are tested here as the scan picked them.
void RegionSinCos(double degrees, float* sine, float* cosine) {
  const double r = frame::SnapQuarterTurn(frame::FullTurn(degrees));
  if (std::fmod(r, 90.0) == 0) {
    static constexpr float kSine[5] = {0, 1, 0, -1, 0}, kCosine[5] = {1, 0, -1, 0, 1};
    const int k = static_cast<int>(r / 90.0);
    *sine = kSine[k];
    *cosine = kCosine[k];
    return;
  }
  const double angle = r * (M_PI / 180.0);
  *sine = static_cast<float>(std::sin(angle));
  *cosine = static_cast<float>(std::cos(angle));
}

bool DetectObjectsInRegion(void* user, int x, int y, unsigned value) {
  static_cast<CSpotCentroid*>(user)->Seed(x, y, value);
  return true;
}

// Colour channels x 255, rounded by the host, as bytes B, G, R, A.
void RoundedColorBytes(const TColor& c, uint8_t out[4]) {
  const auto byte = [](double v) {
    return static_cast<uint8_t>(std::clamp(RoundReal(static_cast<float>(v * 255.0)), 0, 255));
  };
  out[0] = byte(c.B);
  out[1] = byte(c.G);
  out[2] = byte(c.R);
  out[3] = byte(c.A);
}

// A real input held to [lo, hi] with warnings naming loWarn and hiWarn.
double HeldReal(const RunArgs& a, int i, double absent, double scale, double lo, double hi, float loWarn,
                float hiWarn) {
  const double* p = NumberInput(a, i);
  WarnArray(a, i);
  if (!p) return absent;
  const double v = *p * scale;
  const ParamName n = InputName(a, i);
  if (v > hi) {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), hiWarn);
    return hi;
  }
  if (v < lo) {
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), loWarn);
    return lo;
  }
  return v;
}

}  // namespace

CSpotCentroid::CSpotCentroid(int index)
    : CMeasure(index),
      kind_(index == 16 ? kByColor : index == 17 ? kByTexture : kByThreshold),
      gaps_(index == 26) {}

bool CSpotCentroid::ReadColorInputs(const RunArgs& a) {
  const InputPositions& at = Positions(methodIndex);
  const TColor* c = InputElement<TColor>(a, at.colorToFind, GetColor);
  if (!c) return a.fail(u"error: Cannot get input color");
  WarnArray(a, at.colorToFind);
  uint8_t find[4];
  RoundedColorBytes(*c, find);
  const int r = find[2], g = find[1], b = find[0];
  hueTolerance_ = HeldReal(a, at.colorTolerance, 10, 1, 0, 180, 0.0f, 180.0f);
  greyMode_ = std::abs(r - g) < 4 && std::abs(r - b) < 4 && std::abs(b - g) < 4;
  if (greyMode_) {
    greyTarget_ = r + g + b;
    greyTolerance_ = hueTolerance_ * 255.0 * 3.0 / 180.0;
    return true;
  }
  brightnessTolerance_ = HeldReal(a, at.brightness, 1, 1, 0, 1, 0.0f, 1.0f);
  saturationTolerance_ = HeldReal(a, at.saturation, 1, 1, 0, 1, 0.0f, 1.0f);
  double h = 0, s = 0, l = 0;
  frame::RgbToHsl(r, g, b, &h, &s, &l);
  lightnessRange_[0] = std::max(0.0, l - brightnessTolerance_);
  lightnessRange_[1] = std::min(1.0, l + brightnessTolerance_);
  saturationRange_[0] = std::max(0.0, s - saturationTolerance_);
  saturationRange_[1] = std::min(1.0, s + saturationTolerance_);
  hueRange1_[0] = std::max(0.0, h - hueTolerance_);
  hueRange1_[1] = std::min(360.0, h + hueTolerance_);
  // The part of the range past either end of the hue circle.
  hueRange2_[0] = 360;
  hueRange2_[1] = 0;
  if (h - hueTolerance_ < 0) {
    hueRange2_[0] = h + 360 - hueTolerance_;
    hueRange2_[1] = 360;
  } else if (h + hueTolerance_ > 360) {
    hueRange2_[0] = 0;
    hueRange2_[1] = h + hueTolerance_ - 360;
  }
  return true;
}

bool CSpotCentroid::ReadInputs(const RunArgs& a) {
  const InputPositions& at = Positions(methodIndex);
  if (at.threshold != kNone) {
    level_ = WarnedLevel(a, at.threshold);
    WarnArray(a, at.threshold);
  }
  if (at.colorToFind != kNone && !ReadColorInputs(a)) return false;
  if (at.deviation != kNone) {
    deviation_ = static_cast<float>(HeldReal(a, at.deviation, 5, 255, 0.5, 127.5, 0.002f, 0.5f));
  }
  if (at.negative != kNone) {
    const bool* p = FlagInput(a, at.negative);
    const bool flag = p && *p;
    // Gaps are the areas of the other kind.
    negative_ = gaps_ ? !flag : flag;
    WarnArray(a, at.negative);
  }
  if (at.minPixels != kNone) {
    minPixels_ = 100;
    if (const double* p = NumberInput(a, at.minPixels)) {
      minPixels_ = frame::TruncateToInt(*p);
      if (minPixels_ < 1 && kind_ == kByColor) minPixels_ = 1;
      if (minPixels_ < 1 && kind_ == kByTexture) {
        WarnIntCorrected(a, at.minPixels, minPixels_, 1);
        minPixels_ = 1;
      }
    }
    WarnArray(a, at.minPixels);
  }
  if (at.maxPixels != kNone) {
    const double* p = NumberInput(a, at.maxPixels);
    maxPixels_ = p ? frame::TruncateToInt(*p) : 100;
    WarnArray(a, at.maxPixels);
  }
  if (const double* p = NumberInput(a, at.border)) {
    const int mode = frame::TruncateToInt(*p);
    if (mode < 0 || mode > 2) return a.fail(kBadBorderMode);
    borderMode_ = mode;
  }
  WarnArray(a, at.border);
  const TColor* object = InputElement<TColor>(a, at.objectColor, GetColor);
  objectColorGiven_ = object != nullptr;
  if (object) RoundedColorBytes(*object, objectColor_);
  WarnArray(a, at.objectColor);
  backgroundColorGiven_ = false;
  if (at.background != kNone) {
    const TColor* background = InputElement<TColor>(a, at.background, GetColor);
    backgroundColorGiven_ = background != nullptr;
    if (background) RoundedColorBytes(*background, backgroundColor_);
    WarnArray(a, at.background);
  }
  const bool* showIn = FlagInput(a, at.show);
  show_ = showIn ? *showIn : true;
  WarnArray(a, at.show);
  return true;
}

void CSpotCentroid::PrepareOutputFrame() {
  for (int y = 0; y < depth_; ++y) {
    uint8_t* out = output_.row(y);
    const uint8_t* in = in_.row(y);
    if (backgroundColorGiven_) {
      for (int x = 0; x < width_; ++x) std::memcpy(out + 4 * x, backgroundColor_, 4);
    } else if (bpp_ == 32) {
      std::memcpy(out, in, static_cast<size_t>(width_) * 4);
    } else {
      for (int x = 0; x < width_; ++x) {
        out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = in[x];
        out[4 * x + 3] = 255;
      }
    }
  }
}

void CSpotCentroid::WriteOutputs(const RunArgs& a) {
  const int count = static_cast<int>(records_.size());
  const TColor color = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  for (int k = 0; k < count; ++k) {
    const ObjectRecord& r = records_[k];
    if (TPoint* p = OutputElement<TPoint>(a, kCentroidOut, GetPoint, k)) *p = {r.cx, r.cy};
    if (show_) {
      DrawCircle(a.ctx, r.cx, r.cy, 2.0, thickness, color);
      if (drawingLevel_ == 2) DrawCoordinates(a, r.cx, r.cy, color);
    }
    if (double* n = OutputElement<double>(a, kSizeOut, GetNumber, k)) *n = r.count;
    if (double* c = OutputElement<double>(a, kCharacterOut, GetNumber, k)) *c = r.character;
    if (gaps_) continue;
    if (TRectangularRegion* b = OutputElement<TRectangularRegion>(a, kBoxOut, GetRectangularRegion, k)) {
      *b = {(r.minX + r.maxX) / 2, (r.minY + r.maxY) / 2, r.maxX - r.minX + 1, r.maxY - r.minY + 1, 0.0};
    }
  }
  SetOutputMaxIndex(a, kCentroidOut, count - 1);
  SetOutputMaxIndex(a, kSizeOut, count - 1);
  SetOutputMaxIndex(a, kCharacterOut, count - 1);
  if (!gaps_) SetOutputMaxIndex(a, kBoxOut, count - 1);
}

bool CSpotCentroid::Run(const RunArgs& a) {
  input_ = InputFrame(a, 0);
  if (!input_) return a.fail(kNoInputFrame);
  width_ = GetFrameWidth(input_);
  depth_ = GetFrameDepth(input_);
  bpp_ = GetFrameBPP(input_);
  if (kind_ == kByColor && bpp_ != 32) return a.fail(u"error: Frame must have 32-bit color depth (32 bits per pixel)");
  // Rows of other depths cannot be read pixel by pixel.
  if (bpp_ != 8 && bpp_ != 32) return a.fail(u"error: Input frame must have 8 or 32 bits per pixel");
  tooComplicated_ = false;
  if (!ReadInputs(a)) return false;
  in_ = FrameRows(input_);

  overlay_ = FrameRows();
  paintOverlay_ = false;
  drawingLevel_ = GetDrawingLevel(a.ctx);
  if (show_) {
    RoundedColorBytes(GetDrawColor(a.ctx, 1), drawColor_);
    Frame* o = nullptr;
    if (GetOutputFrame(a.ctx, 63, u"overlay", &o, width_, depth_, 32) && o && GetFrameWidth(o) == width_ &&
        GetFrameDepth(o) == depth_ && GetFrameBPP(o) == 32) {
      overlay_ = FrameRows(o);
      paintOverlay_ = drawingLevel_ != 0 && drawColor_[3] != 0;
    }
  }
  output_ = FrameRows();
  if (frame::OutputRows(a, kFrameOut, width_, depth_, 32, &output_)) PrepareOutputFrame();

  labels_.assign(static_cast<size_t>(width_) * depth_, 0);
  stack_.resize(kStackSize);
  records_.clear();

  int last = 0;
  const bool regionArray = InputMaxIndex(a, 1, &last);
  if (!regionArray) last = 0;
  for (int i = 0; i <= last; ++i) {
    region_ = regionArray ? InputElement<TRectangularRegion>(a, 1, GetRectangularRegion, i) : nullptr;
    sine_ = 0.0f;
    cosine_ = 1.0f;
    if (region_) RegionSinCos(region_->angle, &sine_, &cosine_);
    clipToRegion_ = region_ && borderMode_ != 2;
    label_ = 0;
    if (i > 0) std::fill(labels_.begin(), labels_.end(), 0u);
    ScanRectangularRegion(input_, region_, kind_ == kByColor ? 0 : 1, this, DetectObjectsInRegion);
  }

  const int count = static_cast<int>(records_.size());
  if (double* n = OutputElement<double>(a, kCountOut, GetNumber, 0)) *n = count;
  SetOutputMaxIndex(a, kCountOut, 0);
  if (count == 0) return a.fail(u"No spots found");
  if (tooComplicated_) return a.fail(u"error: Found object is too complicated");
  WriteOutputs(a);
  return true;
}

}  // namespace gantrel
