// The arguments of one run and the inputs and outputs named by position,
// shared by every module's run layer.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/module_frame.h"
#include "talvix.h"

namespace frame {

struct RunArgs {
  void* ctx;
  intptr_t inputList;
  const void* inputNames;
  intptr_t outputList;
  const void* outputNames;
  int errLen;
  char16_t* errBuf;

  bool fail(std::u16string_view text) const { return Fail(errLen, errBuf, text); }
};

// A parameter name fetched by position (64 characters, highest index 63).
struct ParamName {
  char16_t text[64] = {};
  bool ok = false;
  const char16_t* c_str() const { return text; }
};

inline ParamName InputName(const RunArgs& a, int i) {
  ParamName n;
  n.ok = GetParameterName(a.inputList, a.inputNames, i, 63, n.text);
  return n;
}

inline ParamName OutputName(const RunArgs& a, int i) {
  ParamName n;
  n.ok = GetParameterName(a.outputList, a.outputNames, i, 63, n.text);
  return n;
}

}  // namespace frame
