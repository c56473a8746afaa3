// The run of both methods: inputs, the pattern classes (cached), the
// particles of the input frame and their classification.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "frame/input_params.h"
#include "qualifier.h"

namespace oskvel {

namespace {

using frame::RunArgs;

// The largest gradient magnitude, 255 x sqrt 2, scales the 0..1 threshold.
constexpr double kMaxGradient = 360.62445840513925;

bool Number(const RunArgs& a, int i, double* v) {
  const frame::ParamName name = frame::InputName(a, i);
  double* p = nullptr;
  if (!name.ok || !GetNumber(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  *v = *p;
  return true;
}

int Count(const RunArgs& a, int i) {
  double v;
  return Number(a, i, &v) ? frame::TruncateToInt(v) : 1;
}

bool Flag(const RunArgs& a, int i) {
  const frame::ParamName name = frame::InputName(a, i);
  bool* p = nullptr;
  if (!name.ok || !GetFlag(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return *p;
}

void DrawClass(void* ctx, const Feature& f, int cls) {
  const TColor colour = GetDrawColor(ctx, 1);
  DrawRectangle(ctx, f.cx, f.cy, f.width, f.height, 0.0, GetDrawThickness(ctx, 1), colour);
  char text[16];
  std::snprintf(text, sizeof text, "%d", cls);
  char16_t wide[16] = {};
  for (int i = 0; text[i] && i < 15; ++i) wide[i] = static_cast<char16_t>(text[i]);
  DrawString(ctx, 128, wide, f.cx, f.cy, 0.0, 0.0, colour);
}

bool Usable(const Frame* f) {
  const int bpp = GetFrameBPP(f);
  return bpp == 8 || bpp == 32;
}

}  // namespace

bool CQualifierMain::Run(const RunArgs& a) {
  Frame* input = nullptr;
  frame::ParamName name = frame::InputName(a, 0);
  if (!name.ok || !GetInputFrame(a.ctx, 63, name.c_str(), &input) || !input) return a.fail(u"Cannot get source frame");
  Frame* pattern = nullptr;
  int32_t stamp = 0;
  name = frame::InputName(a, 1);
  if (!name.ok || !GetInputFrameTimestamp(a.ctx, 63, name.c_str(), &pattern, &stamp) || !pattern)
    return a.fail(u"Cannot get pattern frame");
  TRectangularRegion* region = nullptr;
  TRingRegion* ring = nullptr;
  name = frame::InputName(a, 2);
  if (mode) {
    if (name.ok && !GetRectangularRegion(a.ctx, 63, name.c_str(), 0, &region)) region = nullptr;
  } else {
    if (name.ok && !GetRingRegion(a.ctx, 63, name.c_str(), 0, &ring)) ring = nullptr;
  }

  // The ring method has no vertical camera count: its inputs after the
  // counts sit one place earlier.
  const int th = Count(a, 3), tv = Count(a, 4), ch = Count(a, 5), cv = mode ? Count(a, 6) : 0;
  const int next = mode ? 7 : 6;
  double g = 0;
  const int t = Number(a, next, &g) ? frame::TruncateToInt(g * kMaxGradient) : 72;
  double limit = 1.0;
  Number(a, next + 1, &limit);
  const bool colour = Flag(a, next + 2), show = Flag(a, next + 3), showPattern = Flag(a, next + 4);

  // A depth the detection cannot read would leave every output unwritten.
  if (!Usable(input) || !Usable(pattern)) return a.fail(u"error: Frames of 8 or 32 bits per pixel are needed");

  if (stamp != cachedStamp || th != cachedTH || tv != cachedTV || t != cachedT || colour != cachedColour ||
      patternDirty || showPattern) {
    cachedStamp = stamp, cachedTH = th, cachedTV = tv, cachedT = t, cachedColour = colour;
    // The pattern is searched without a region, so its vertical lines use TH.
    if (!DetectParticles(pattern, nullptr, nullptr, th, tv, t, colour, &patternFeatures)) {
      patternDirty = true;
      return a.fail(u"No detected classifier in the pattern image");
    }
    patternDirty = false;
  }

  if (showPattern) {
    if (show) {
      for (size_t c = 0; c < patternFeatures.size(); ++c) DrawClass(a.ctx, patternFeatures[c], static_cast<int>(c + 1));
    }
    const int w = GetFrameWidth(pattern), d = GetFrameDepth(pattern), bpp = GetFrameBPP(pattern);
    Frame* out = nullptr;
    const frame::ParamName outName = frame::OutputName(a, 3);
    if (!outName.ok || !GetOutputFrame(a.ctx, 63, outName.c_str(), &out, w, d, bpp) || !out ||
        GetFrameWidth(out) != w || GetFrameDepth(out) != d || GetFrameBPP(out) != bpp)
      return a.fail(u"error: Cannot get output frame");
    const size_t stride = bpp == 8 ? static_cast<size_t>((w + 3) & ~3) : static_cast<size_t>(w) * 4;
    std::memcpy(GetFrameDataAddr(out), GetFrameDataAddr(pattern), stride * static_cast<size_t>(d));
    return true;
  }

  if (!DetectParticles(input, region, ring, ch, cv, t, colour, &sourceFeatures))
    return a.fail(u"No recognized classifiable shape in the source image");

  const frame::ParamName numberName = frame::OutputName(a, 0), classesName = frame::OutputName(a, 1),
                         rectsName = frame::OutputName(a, 2);
  distances.assign(patternFeatures.size(), 0.0f);
  int k = 0;
  for (const Feature& s : sourceFeatures) {
    double best = 2147483648.0;
    int bestClass = -1;
    for (size_t p = 0; p < patternFeatures.size(); ++p) {
      const Feature& q = patternFeatures[p];
      double sum = s.centroidByte != q.centroidByte ? 1.0 : 0.0;
      for (int i = 0; i < kFeatureCount; ++i) {
        const double dlt = static_cast<double>(s.f[static_cast<size_t>(i)]) - q.f[static_cast<size_t>(i)];
        sum += dlt * dlt;
      }
      const double dist = std::sqrt(sum / 11.0);
      distances[p] = static_cast<float>(dist);
      if (dist < best) {  // a later equal distance keeps the lower class
        best = dist;
        bestClass = static_cast<int>(p);
      }
    }
    if (bestClass < 0 || !(best < limit)) continue;
    double* cls = nullptr;
    if (classesName.ok && GetNumber(a.ctx, 63, classesName.c_str(), k, &cls) && cls) *cls = bestClass + 1;
    TRectangle* rect = nullptr;
    if (rectsName.ok && GetRectangle(a.ctx, 63, rectsName.c_str(), k, &rect) && rect)
      *rect = TRectangle{s.cx, s.cy, s.width, s.height, s.angle};
    if (show) DrawClass(a.ctx, s, bestClass + 1);
    ++k;
  }
  double* number = nullptr;
  if (numberName.ok && GetNumber(a.ctx, 63, numberName.c_str(), 0, &number) && number) *number = k;
  if (k == 0) return a.fail(u"No classified shape in the source image");
  if (classesName.ok) SetObjectMaxIndex(a.ctx, 63, classesName.c_str(), k - 1);
  if (rectsName.ok) SetObjectMaxIndex(a.ctx, 63, rectsName.c_str(), k - 1);
  return true;
}

}  // namespace oskvel
