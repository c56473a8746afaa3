#include "objects.h"

namespace rombek {

bool SourceFrame(const RunArgs& a, Frame** f) {
  const frame::ParamName name = frame::InputName(a, 0);
  *f = nullptr;
  if (!name.ok || !GetInputFrame(a.ctx, 63, name.c_str(), f) || !*f) return false;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return true;
}

TRectangularRegion WholeFrame(const Frame* f) {
  const double w = GetFrameWidth(f), h = GetFrameDepth(f);
  return {w / 2, h / 2, w, h, 0};
}

bool ReadRegion(const RunArgs& a, int input, int elem, TRectangularRegion* r) {
  const frame::ParamName name = frame::InputName(a, input);
  TRectangularRegion* p = nullptr;
  const bool ok = name.ok && GetRectangularRegion(a.ctx, 63, name.c_str(), elem, &p) && p;
  if (ok) *r = *p;
  return ok;
}

}  // namespace rombek
