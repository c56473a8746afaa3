// The C boundary of kelmar. Instances are method objects: the handle is the
// object's address, -1 (an index past the last method) or null (no memory)
// when there is none. No exception leaves these functions.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "match.h"
#include "module_api.h"

using kelmar::kCatalogue;

namespace {

constexpr intptr_t kNoInstance = -1;

kelmar::CMatch* Instance(intptr_t handle) {
  return handle == kNoInstance || handle == 0 ? nullptr : reinterpret_cast<kelmar::CMatch*>(handle);
}

}  // namespace

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (static_cast<unsigned>(methodIndex) >= static_cast<unsigned>(kelmar::kMethodCount)) return kNoInstance;
  try {
    return reinterpret_cast<intptr_t>(kelmar::CreateMethod(static_cast<uint32_t>(methodIndex)).release());
  } catch (...) {
    return 0;  // no memory: no instance
  }
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  kelmar::CMatch* object = Instance(handle);
  if (!object) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return object->Run(args); });
}

MODULE_API void DoneMethod(intptr_t handle) {
  kelmar::CMatch* object = Instance(handle);
  if (!object || object->methodIndex() >= static_cast<uint32_t>(kelmar::kMethodCount)) return;
  delete object;
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &kelmar::Resources(); }

}  // extern "C"
