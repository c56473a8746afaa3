// Reading the matcher's inputs, with the corrections.
#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "match.h"

namespace nesbar {
namespace {

using frame::ParamName;
using frame::RunArgs;

ParamName Input(const RunArgs& a, int method, std::u16string_view name) {
  return frame::InputNamed(a, kCatalogue.methods()[method].inputs, name);
}

// The number at elem; a value that is no finite float counts as missing, so
// that NaN or infinity never reaches the plan's step counts. An array read at
// element 0 alone is warned of, unless the caller reads on (warnArray false).
bool Number(const RunArgs& a, const ParamName& n, int elem, double* v, bool warnArray = true) {
  double* p = nullptr;
  if (!n.ok || !GetNumber(a.ctx, 63, n.c_str(), elem, &p) || !p) return false;
  if (elem == 0 && warnArray) frame::WarnArrayInput(a.ctx, 63, n.c_str());
  if (!(std::fabs(*p) <= std::numeric_limits<float>::max())) return false;
  *v = *p;
  return true;
}

void Warn(const RunArgs& a, const ParamName& n, float from, float to) {
  if (from != to) frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), from, to);
}

// A magnitude within [lo, hi], corrections reported.
float Magnitude(const RunArgs& a, const ParamName& n, double v, float lo, float hi) {
  const float f = static_cast<float>(std::fabs(v));
  const float c = std::clamp(f, lo, hi);
  Warn(a, n, f, c);
  return c;
}

}  // namespace

bool CGPUMatch::ReadInputs(const RunArgs& a) {
  double v = 0;
  for (auto [name, field] : {std::pair{u"begin rotation", &search.beginRotation}, {u"end rotation", &search.endRotation}}) {
    const ParamName n = Input(a, method, name);
    // Kept as given: the plan reduces a whole turn or more, and needs the span.
    *field = Number(a, n, 0, &v) ? static_cast<float>(v) : 0.0f;
  }
  {
    const ParamName n = Input(a, method, u"rotation step");
    search.rotationStep = 0.0f;
    if (Number(a, n, 0, &v)) {
      const float f = static_cast<float>(std::fabs(v));
      search.rotationStep = f >= 360.0f ? 0.0f : f;
      Warn(a, n, f, search.rotationStep);
    }
  }
  {
    const ParamName n = Input(a, method, u"begin scale");
    search.beginScale = Number(a, n, 0, &v) ? Magnitude(a, n, v, 0.2f, 1e30f) : 1.0f;
  }
  {
    const ParamName n = Input(a, method, u"end scale");
    search.endScale = 1.0f;
    if (Number(a, n, 0, &v)) {
      const float f = static_cast<float>(std::fabs(v));
      const float c = std::max(std::clamp(f, 0.2f, 2.0f), search.beginScale);
      Warn(a, n, f, c);
      search.endScale = c;
    }
  }
  {
    const ParamName n = Input(a, method, u"scale step");
    search.scaleStep = Number(a, n, 0, &v) ? Magnitude(a, n, v, 0.0f, 1.0f) : 1.0f;
  }
  if (method == kGreyPattern) {
    const ParamName n = Input(a, method, u"quality or speed preference");
    quality = Number(a, n, 0, &v) ? Magnitude(a, n, v, 0.0f, 1.0f) : 0.5f;
    targets[0] = static_cast<int>(100 * quality + 200);
    maxima[0] = static_cast<int>(100 * quality + 300);
    targets[1] = static_cast<int>(100 * quality + 400);
    maxima[1] = static_cast<int>(100 * quality + 500);
    search.refinement = 0.75f * quality + 0.15f;
  }
  if (method == kBinaryPattern) {
    const ParamName step = Input(a, method, u"pattern sampling step");
    samplingStep = 5;
    if (Number(a, step, 0, &v)) {
      const int i = frame::TruncateToInt(std::fabs(v));
      samplingStep = std::clamp(i, 1, 250);
      Warn(a, step, static_cast<float>(i), static_cast<float>(samplingStep));
    }
    const ParamName threshold = Input(a, method, u"threshold for binary patterns");
    binaryThreshold = Number(a, threshold, 0, &v) ? Magnitude(a, threshold, v, 0.0f, 1.0f) : 0.5f;
    search.refinement = 1.0f;
  }
  {
    // Element 1, where given, is the second phase's correlation: an array is
    // read on, not warned of.
    const ParamName n = Input(a, method, u"requested correlation");
    correlation[0] = correlation[1] = 0.8f;
    if (Number(a, n, 0, &v, false)) {
      correlation[0] = correlation[1] = Magnitude(a, n, v, 0.1f, 0.999f);
      int hi = 0;
      if (GetObjectMaxIndex(a.ctx, 63, n.c_str(), &hi) && hi >= 1 && Number(a, n, 1, &v)) {
        correlation[1] = Magnitude(a, n, v, 0.1f, 0.999f);
      }
    }
  }
  {
    const ParamName n = Input(a, method, u"maximal number of found patterns");
    maxMatches = 1;
    if (Number(a, n, 0, &v)) {
      const int i = frame::TruncateToInt(std::fabs(v));
      maxMatches = std::clamp(i, 1, 250);
      if (maxMatches != i) frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), i, maxMatches);
    }
  }
  {
    const ParamName n = Input(a, method, u"draw outputs into the picture");
    bool* p = nullptr;
    drawOutputs = n.ok && GetFlag(a.ctx, 63, n.c_str(), 0, &p) && p ? *p : true;
  }
  return true;
}

}  // namespace nesbar
