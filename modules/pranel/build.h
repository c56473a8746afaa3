// One output element per index: read the inputs of element i, then write.
#pragma once

#include "catalogue.h"
#include "element_run.h"

namespace pranel {

template <class T>
using Getter = bool (*)(void*, int, const char16_t*, int, T**);

// `read(run, i, &value)` reads element i's inputs. An output without any
// input element fails with the input text, naming the input of a one-input
// method. Records (not value copies) refuse numbers that are not finite.
template <class T, class Read>
bool Build(const RunArgs& a, int method, Getter<T> get, bool valueCopy, Read read) {
  ElementRun run(a, method, !valueCopy);
  if (run.last() < 0) return valueCopy ? run.FailInput(0) : a.fail(kNoInput);
  if (!run.outputName().ok) return run.FailOutput();
  for (int i = 0; i <= run.last(); ++i) {
    T value{};
    if (!read(run, i, &value)) return false;
    T* out = OutputElement(run, get, i);
    if (!out) return false;
    *out = value;
  }
  SetObjectMaxIndex(a.ctx, 63, run.outputName().c_str(), run.last());
  return true;
}

}  // namespace pranel
