// The C boundary of kelmar. Instances are method objects: the handle is the
// object's address, -1 (an index past the last method) or null (no memory)
// when there is none. No exception leaves these functions.
#include <new>

#include "catalogue.h"
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
  try {
    return object->Run(args);
  } catch (const std::bad_alloc&) {
    return args.fail(u"error: Not enough memory");
  } catch (...) {
    return args.fail(u"error: Unexpected failure");
  }
}

MODULE_API void DoneMethod(intptr_t handle) {
  kelmar::CMatch* object = Instance(handle);
  if (!object || object->methodIndex() >= static_cast<uint32_t>(kelmar::kMethodCount)) return;
  delete object;
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &kelmar::Resources(); }

}  // extern "C"
