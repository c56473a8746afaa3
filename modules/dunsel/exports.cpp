// The C boundary of dunsel. Instances are reader objects; no exception
// crosses this boundary.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "reader1d.h"
#include "reader2d.h"

using dunsel::kCatalogue;

namespace {

constexpr intptr_t kNoMethod = -1;

dunsel::CMethod* Object(intptr_t handle) {
  return handle == kNoMethod || handle == 0 ? nullptr : reinterpret_cast<dunsel::CMethod*>(handle);
}

}  // namespace

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  dunsel::CMethod* m = nullptr;
  if (methodIndex >= dunsel::kEan13 && methodIndex <= dunsel::kCode39) {
    m = new (std::nothrow) dunsel::CReadBarcode1D(methodIndex);
  } else if (methodIndex == dunsel::kDataMatrix) {
    m = new (std::nothrow) dunsel::CReadBarcode2D();
  } else {
    return kNoMethod;
  }
  return reinterpret_cast<intptr_t>(m);
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  dunsel::CMethod* m = Object(handle);
  if (!m) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] {
    return m->Run(hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf);
  });
}

MODULE_API void DoneMethod(intptr_t handle) { delete Object(handle); }

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &dunsel::Resources(); }

}  // extern "C"
