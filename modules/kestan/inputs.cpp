// Reading a run's inputs into the detector, with the corrections.
#include <algorithm>
#include <cmath>

#include "detector.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "kavrin.h"

namespace kestan {
namespace {

using frame::ParamName;
using frame::RunArgs;

int Position(int method, std::u16string_view name) {
  return frame::InputPosition(kCatalogue.methods()[method].inputs, name);
}

ParamName Input(const RunArgs& a, int method, std::u16string_view name) {
  return frame::InputNamed(a, kCatalogue.methods()[method].inputs, name);
}

// Bounds as doubles, so that a value given as 0.1 is not taken for one below 0.1f.
float RealInput(const RunArgs& a, int method, std::u16string_view name, double def, double lo, double hi) {
  return frame::RealInRange(a, Position(method, name), def, lo, hi, true);
}

int IntInput(const RunArgs& a, int method, std::u16string_view name, int def, int lo, int hi) {
  return frame::IntInRange(a, Position(method, name), def, lo, hi, true);
}

// An integer choice among 0..count-1; anything else becomes `other`.
int ChoiceInput(const RunArgs& a, int method, std::u16string_view name, int def, int count, int other) {
  const int position = Position(method, name);
  const int i = frame::TruncateToInt(frame::NumberOr(a, position, def, true));
  if (i >= 0 && i < count) return i;
  frame::WarnIntParameterCorrected(a.ctx, 63, frame::InputName(a, position).c_str(), i, other);
  return other;
}

// Eight magnitudes at most `bound` from an array: element 0 fills all,
// elements 1..7 their own. A value that is not a number counts as unread.
void ThresholdArray(const RunArgs& a, int method, std::u16string_view name, float bound, float def, float out[8]) {
  const ParamName n = Input(a, method, name);
  double* p = nullptr;
  if (!n.ok || !GetNumber(a.ctx, 63, n.c_str(), 0, &p) || !p || std::isnan(*p)) {
    std::fill_n(out, 8, def);
    return;
  }
  auto magnitude = [&](double v) {
    const float f = static_cast<float>(std::fabs(v));
    if (f <= bound) return f;
    frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(v), bound);
    return bound;
  };
  std::fill_n(out, 8, magnitude(*p));
  int hi = 0;
  if (!GetObjectMaxIndex(a.ctx, 63, n.c_str(), &hi)) return;
  for (int k = 1; k <= std::min(hi, 7); ++k) {
    if (GetNumber(a.ctx, 63, n.c_str(), k, &p) && p && !std::isnan(*p)) out[k] = magnitude(*p);
  }
}

bool* FlagInput(const RunArgs& a, int method, std::u16string_view name) {
  const ParamName n = Input(a, method, name);
  bool* p = nullptr;
  if (!n.ok || !GetFlag(a.ctx, 63, n.c_str(), 0, &p)) return nullptr;
  return p;
}

// A host string into a 260-character path, resolved as a file to read or
// to create. False for a name that holds a NUL, which would name another
// file cut at it; the path is then left empty.
bool FileName(const RunArgs& a, const ParamName& n, int elem, bool create, char16_t out[260]) {
  out[0] = 0;
  HostString* s = nullptr;
  if (!n.ok || !GetString(a.ctx, 259, n.c_str(), elem, &s) || !s || !*s) return true;
  const HostStringBlock& text = **s;
  for (int32_t i = 0; i < text.length; ++i) {
    if (text.chars[i] == 0) return false;
  }
  kavrin::ExportText(259, out, *s);
  if (create) {
    FindNewPath(259, out);
  } else {
    FindPath(259, out);
  }
  return true;
}

}  // namespace

ParamName InputOf(const RunArgs& a, int method, std::u16string_view name) { return Input(a, method, name); }

bool ResolvedFileName(const RunArgs& a, const ParamName& n, int elem, char16_t out[260]) {
  return FileName(a, n, elem, false, out);
}

bool CFeatureDetector::ReadInputs(const RunArgs& a, RunInputs& in) {
  const ParamName frameName = Input(a, method, u"input frame");
  if (!frameName.ok || !GetInputFrame(a.ctx, 63, frameName.c_str(), &in.frame) || !in.frame) return false;
  in.width = GetFrameWidth(in.frame);
  in.height = GetFrameDepth(in.frame);
  in.bpp = GetFrameBPP(in.frame);
  in.pixels = GetFrameDataAddr(in.frame);

  const ParamName regionName = Input(a, method, u"scanned region");
  TRectangularRegion* region = nullptr;
  if (regionName.ok && GetRectangularRegion(a.ctx, 63, regionName.c_str(), 0, &region) && region) in.region = region;

  if (method <= kFeatureSaveData) {
    ThresholdArray(a, method, u"features threshold", 200.0f, 0.5f, thresholds);
    orientationMode = ChoiceInput(a, method, u"features orientation detection method", 2, 3, 2);
  } else {
    ThresholdArray(a, method, u"features threshold correction", 20.0f, 0.0f, thresholdCorrection);
    similarityMethod = ChoiceInput(a, method, u"method for descriptors similarity testing", 1, 3, 2);
    maxDifference = RealInput(a, method, u"maximal accepted descriptors difference", 1.5, 0.0, 20.0);
    minCorrelation = RealInput(a, method, u"mininimal accepted descriptors cross correlation", 0.8, 0.0, 1.0);
  }
  if (method >= kFeatureMatch && method <= kMultipleFeatureMatchData) {
    matchesRequired = IntInput(a, method, u"number of matches required", 1, 1, 1000);
    filtrationPasses = RealInput(a, method, u"number of passes of outcome statistical filtration", 0.0, 0.0, 5.0);
    distanceCoefficient = RealInput(
        a, method, u"distance coefficient from region center for outcome statistical filtration", 1.2, 1.0, 100.0);
    angleDifference =
        RealInput(a, method, u"region angle difference for outcome statistical filtration", 15.0, 0.1, 60.0);
  }
  if (method == kKeypointMatch || method == kKeypointMatchData) {
    angleDifference =
        RealInput(a, method, u"angle difference of the descriptor dominant orientation", 15.0, 0.1, 60.0);
  }
  if (method == kFeatureSave) {
    in.saveFlag = FlagInput(a, method, u"save descriptors");
    saveDescriptors = in.saveFlag && *in.saveFlag;
  }
  if (method == kFeatureMatch || method == kMultipleFeatureMatch || method == kKeypointMatch) {
    in.reloadFlag = FlagInput(a, method, u"reload file with descriptors");
  }
  if (method == kFeatureSave || method == kFeatureMatch || method == kKeypointMatch) {
    fileNameHoldsNul = !FileName(a, Input(a, method, u"descriptors file"), 0, method == kFeatureSave, fileName);
  }
  if (method == kFeatureMatchData || method == kKeypointMatchData) {
    const ParamName n = Input(a, method, u"data object with descriptors");
    DataObject* d = nullptr;
    if (n.ok && GetData(a.ctx, 259, n.c_str(), 0, &d)) in.dataObject = d;
  }
  if (method >= kFeatureMatch) drawingContent = IntInput(a, method, u"content of drawings into the picture", 0, 0, 2);
  bool* draw = FlagInput(a, method, u"draw outputs into the picture");
  drawOutputs = draw ? *draw : true;
  return true;
}

}  // namespace kestan
