// The Data Matrix reader.
#pragma once

#include "method.h"

namespace dunsel {

class CReadBarcode2D : public CMethod {
 public:
  bool Run(void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList, const void* outputNames,
           int errLen, char16_t* errBuf) override;
};

}  // namespace dunsel
