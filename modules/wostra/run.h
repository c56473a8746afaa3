#pragma once

#include <cstdint>

namespace wostra {

// Reads the method's inputs into its group's service block, asks the host for
// the service and answers as the host did. The handle is the method index.
bool Run(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList,
         const void* outputNames, int errLen, char16_t* errBuf);

}  // namespace wostra
