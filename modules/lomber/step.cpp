#include "step.h"

#include <cmath>

namespace lomber {

bool CIPStep::Run(const RunArgs& a) {
  switch (type) {
    case 0:
      return ColorMatchAverage(a);
    case 1:
      return GetAverageColor(a);
    case 2:
      return CompareAverageColor(a);
    case 3:
      return ColorMatchDominant(a);
    case 4:
      return GetDominantColor(a);
    case 5:
      return CompareDominantColor(a);
    case 6:
      return FilterHsl(a);
    case 7:
      return FilterRgb(a);
    default:
      return a.fail(u"Error: Unknown step");
  }
}

bool InputNumber(const RunArgs& a, int i, double* v, bool warn) {
  const frame::ParamName name = frame::InputName(a, i);
  double* p = nullptr;
  if (!name.ok || !GetNumber(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  if (warn) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  *v = *p;
  return true;
}

bool InputColor(const RunArgs& a, int i, TColor* c, bool warn) {
  const frame::ParamName name = frame::InputName(a, i);
  TColor* p = nullptr;
  if (!name.ok || !GetColor(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  if (warn) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  // A component that is not a number counts as 0 in every method, as paint
  // always took it.
  const auto component = [](double v) { return std::isnan(v) ? 0.0 : v; };
  *c = TColor{component(p->R), component(p->G), component(p->B), component(p->A)};
  return true;
}

bool InputFlag(const RunArgs& a, int i, bool* v, bool warn) {
  const frame::ParamName name = frame::InputName(a, i);
  bool* p = nullptr;
  if (!name.ok || !GetFlag(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  if (warn) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  *v = *p;
  return true;
}

TRectangularRegion* InputRegion(const RunArgs& a, int i, int elem, bool warn) {
  const frame::ParamName name = frame::InputName(a, i);
  TRectangularRegion* p = nullptr;
  if (!name.ok || !GetRectangularRegion(a.ctx, 63, name.c_str(), elem, &p)) p = nullptr;
  if (name.ok && warn) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return p;
}

bool InputFrame32(const RunArgs& a, Frame** f) {
  const frame::ParamName name = frame::InputName(a, 0);
  *f = nullptr;
  if (!name.ok || !GetInputFrame(a.ctx, 63, name.c_str(), f) || !*f) return a.fail(kNoInputFrame);
  if (GetFrameBPP(*f) != 32) return a.fail(kFormatNotSupported);
  return true;
}

}  // namespace lomber
