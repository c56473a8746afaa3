#include "run_inputs.h"

#include "talvix.h"

namespace hoskin {

bool Number(const frame::RunArgs& a, const frame::ParamName& n, int element, double* out) {
  double* v = nullptr;
  if (!n.ok || !GetNumber(a.ctx, 63, n.c_str(), element, &v) || !v) return false;
  *out = *v;
  return true;
}

}  // namespace hoskin
