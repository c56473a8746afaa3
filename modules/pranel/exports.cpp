// The C boundary of pranel. Instances are stateless: the handle is the
// method index.
#include <iterator>
#include <new>

#include "catalogue.h"
#include "element_run.h"
#include "module_api.h"

namespace pranel {
namespace {

constexpr RunFn kRunFunctions[] = {
    RunCoordinateSystem, RunCoordinateSystem2Points, RunRectangle, RunRing,  RunRectangularRegion,
    RunRingRegion,       RunPoint,                   RunLine,      RunFlag,  RunNotFlag,
    RunColor,            RunNumber,                  RunString,    RunFrame,
};
static_assert(std::size(kRunFunctions) == kMethodCount);

}  // namespace
}  // namespace pranel

using pranel::kCatalogue;

extern "C" {

MODULE_API bool Init(void) { return kCatalogue.Init(); }

MODULE_API void Done(void) { kCatalogue.Done(); }

MODULE_API bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                           int* categoryId, HostIcon* icon) {
  return kCatalogue.EnumerateMethodsCategories(methodIndex, path, level, nameLen, nameBuf, categoryId, icon);
}

MODULE_API bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                                 bool* gpuFlag) {
  return kCatalogue.EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);
}

MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) {
  return kCatalogue.EnumerateMethodInputs(methodIndex, paramIndex, type, propLen, propBuf, nameLen, nameBuf);
}

MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) {
  return kCatalogue.EnumerateMethodOutputs(methodIndex, paramIndex, type, nameLen, nameBuf);
}

MODULE_API intptr_t InitMethod(int methodIndex) { return methodIndex; }

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // An index past the last method does nothing and answers true.
  if (static_cast<uintptr_t>(handle) >= std::size(pranel::kRunFunctions)) return true;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  try {
    return pranel::kRunFunctions[handle](args);
  } catch (const std::bad_alloc&) {
    return args.fail(u"error: Not enough memory");
  } catch (...) {
    return args.fail(u"error: Unexpected failure");
  }
}

MODULE_API void DoneMethod(intptr_t) {}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &pranel::Resources(); }

}  // extern "C"
