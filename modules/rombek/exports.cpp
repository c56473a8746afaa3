// The C boundary of rombek: one object per instance, made by InitMethod.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "objects.h"

using rombek::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)
VISION_SORT_EXPORT(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  rombek::CRombekObject* o = nullptr;
  switch (methodIndex) {
    case 0: o = new (std::nothrow) rombek::COBBRectangle(0); break;
    case 1: o = new (std::nothrow) rombek::CAABBRectangle(1); break;
    case 2: o = new (std::nothrow) rombek::CNoiseMonitor(2); break;
    case 3: o = new (std::nothrow) rombek::CHistogram(3); break;
    default: break;
  }
  return reinterpret_cast<intptr_t>(o);
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* o = reinterpret_cast<rombek::CRombekObject*>(handle);
  if (!o) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return o->Run(args); }, {u"Not enough memory", u"Unexpected failure"});
}

MODULE_API void DoneMethod(intptr_t handle) { delete reinterpret_cast<rombek::CRombekObject*>(handle); }

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &rombek::Resources(); }

}  // extern "C"
