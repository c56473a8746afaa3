#include "filter.h"

#include <cmath>
#include <limits>

namespace jorvel {

bool CFilter::FrameChanged(int width, int depth, int bpp) {
  const bool changed = width != width_ || depth != depth_ || bpp != bpp_;
  width_ = width;
  depth_ = depth;
  bpp_ = bpp;
  return changed;
}

void WorkFrame::Make(int width, int depth, int bpp, size_t extra) {
  const int size = GetFrameSizeParam(width, depth, bpp);
  bytes_.assign(static_cast<size_t>(size < 0 ? 0 : size) + extra, 0);
  InitFrameDIB(bytes_.data(), width, depth, bpp);
}

bool GetInput(const RunArgs& a, Input* in) {
  if (!frame::InputFrame(a, 0, &in->frame)) return a.fail(kNoInputFrame);
  in->width = GetFrameWidth(in->frame);
  in->depth = GetFrameDepth(in->frame);
  in->bpp = GetFrameBPP(in->frame);
  return true;
}

bool GetOutput(const RunArgs& a, int width, int depth, int bpp, Frame** out) {
  if (!frame::OutputFrame(a, 0, width, depth, bpp, out)) return a.fail(kNoOutputFrame);
  return true;
}

float ToFloat(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::infinity();
  if (v < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

Number ReadNumber(const RunArgs& a, int i, double def) {
  Number n;
  n.name = frame::InputName(a, i);
  double* value = nullptr;
  n.value = n.name.ok && GetNumber(a.ctx, 63, n.name.c_str(), 0, &value) && value ? *value : def;
  frame::WarnArrayInput(a.ctx, 63, n.name.ok ? n.name.c_str() : u"");
  return n;
}

int ReadInt(const RunArgs& a, int i, int def, int lo, int hi) {
  const Number n = ReadNumber(a, i, def);
  const int v = frame::TruncateToInt(n.value);
  const int bound = v < lo ? lo : v > hi ? hi : v;
  if (bound != v) frame::WarnIntParameterCorrected(a.ctx, 63, n.name.c_str(), v, bound);
  return bound;
}

float ReadReal(const RunArgs& a, int i, float def, float lo, float hi) {
  const Number n = ReadNumber(a, i, def);
  const float v = ToFloat(n.value);
  // NaN lies in no range: it takes the lower bound.
  const float bound = std::isnan(v) || v < lo ? lo : v > hi ? hi : v;
  if (!(bound == v)) frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), v, bound);
  return bound;
}

int ReadThreshold(const RunArgs& a, int i) {
  const float t = ReadReal(a, i, 0.5f, 0.0f, 1.0f);
  return static_cast<int>(t * 255.0f);
}

}  // namespace jorvel
