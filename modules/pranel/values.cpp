// Constructors of flags, colours, numbers and strings.
#include "build.h"

namespace pranel {

namespace {

bool Flags(const RunArgs& a, int method, bool negate) {
  return Build<bool>(a, method, GetFlag, true, [negate](const ElementRun& r, int i, bool* v) {
    if (!r.Flag(0, i, v)) return false;
    *v = *v != negate;
    return true;
  });
}

}  // namespace

bool RunFlag(const RunArgs& a) { return Flags(a, kFlag, false); }
bool RunNotFlag(const RunArgs& a) { return Flags(a, kNotFlag, true); }

bool RunColor(const RunArgs& a) {
  return Build<TColor>(a, kColor, GetColor, false, [](const ElementRun& r, int i, TColor* c) {
    return r.Number(0, i, &c->R) && r.Number(1, i, &c->G) && r.Number(2, i, &c->B) && r.Number(3, i, &c->A);
  });
}

bool RunNumber(const RunArgs& a) {
  return Build<double>(a, kNumber, GetNumber, true, [](const ElementRun& r, int i, double* v) { return r.Number(0, i, v); });
}

// Each text is copied by its length; host strings need not end in a NUL.
bool RunString(const RunArgs& a) {
  ElementRun run(a, kString, false);
  if (run.last() < 0) return run.FailInput(0);
  if (!run.outputName().ok) return run.FailOutput();
  for (int i = 0; i <= run.last(); ++i) {
    HostString* in = nullptr;
    if (!run.String(0, i, &in)) return false;
    HostString* out = OutputElement(run, GetString, i);
    if (!out) return false;
    if (in && *in) {
      SetString(GetStringLength(in) - 1, (*in)->chars, out);
    } else {
      SetZeroString(out);
    }
  }
  SetObjectMaxIndex(a.ctx, 63, run.outputName().c_str(), run.last());
  return true;
}

}  // namespace pranel
