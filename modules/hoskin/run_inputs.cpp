#include "run_inputs.h"

#include <cstdint>
#include <limits>

#include "frame/module_frame.h"

namespace hoskin {

int32_t Truncated(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

bool Number(const frame::RunArgs& a, const frame::ParamName& n, int element, double* out) {
  double* v = nullptr;
  if (!n.ok || !GetNumber(a.ctx, 63, n.c_str(), element, &v) || !v) return false;
  *out = *v;
  return true;
}

TRectangularRegion* ScannedRegion(const frame::RunArgs& a, int input) {
  TRectangularRegion* region = nullptr;
  if (const frame::ParamName n = frame::InputName(a, input); n.ok) {
    if (!GetRectangularRegion(a.ctx, 63, n.c_str(), 0, &region)) region = nullptr;
    frame::WarnArrayInput(a.ctx, 63, n.c_str());
  }
  return region;
}

int32_t DrawOption(const frame::RunArgs& a, int input, int highest) {
  int32_t value = 0;
  if (const frame::ParamName n = frame::InputName(a, input); n.ok) {
    if (double v = 0; Number(a, n, 0, &v)) {
      value = Truncated(v);
      if (value > highest) {
        frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), value, highest);
        value = highest;
      } else if (value < 0) {
        frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), value, 0);
        value = 0;
      }
    }
    frame::WarnArrayInput(a.ctx, 63, n.c_str());
  }
  return value;
}

uint8_t DrawFlag(const frame::RunArgs& a, int input) {
  uint8_t value = 1;
  if (const frame::ParamName n = frame::InputName(a, input); n.ok) {
    bool* flag = nullptr;
    if (GetFlag(a.ctx, 63, n.c_str(), 0, &flag) && flag) value = *flag ? 1 : 0;
    frame::WarnArrayInput(a.ctx, 63, n.c_str());
  }
  return value;
}

}  // namespace hoskin
