// The module interface. The module is stateless apart from its icons: an
// instance handle is the method index itself.
#include <dlfcn.h>

#include <cstdlib>
#include <exception>
#include <iterator>

#include "catalogue.h"
#include "module_api.h"
#include "run.h"
#include "selvane64.h"
#include "talvix.h"

namespace {

using wostra::kMethodCount;

void* g_module = nullptr;
HostIcon g_methodIcons[kMethodCount] = {};
HostIcon g_rootIcon = nullptr;
HostIcon g_groupIcons[10] = {};
unsigned g_methodCount = 0;

void Copy(int capacity, char16_t* dst, std::u16string_view text) {
  selvane64::CopyText(capacity, dst, static_cast<int>(text.size()), text.data());
}

// Process detach: give every icon back. Registered after the fetch, so that
// it runs (at unload or exit) before the host library drops its icon table.
void Detach() {
  for (HostIcon& icon : g_methodIcons) {
    DoneIcon(&icon);
    icon = nullptr;
  }
  DoneIcon(&g_rootIcon);
  for (HostIcon& icon : g_groupIcons) DoneIcon(&icon);
}

// Process attach: keep the module handle and fetch every icon.
__attribute__((constructor)) void Attach() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Attach), &info) == 0 || !info.dli_fname) return;
  void* self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (!self) self = dlopen(nullptr, RTLD_LAZY);
  g_module = self;
  if (self) dlclose(self);  // the object stays loaded while its code runs
  for (unsigned i = 0; i < kMethodCount; ++i)
    g_methodIcons[i] = GetResourceIconAddress(g_module, 1000 + static_cast<int>(i));
  g_rootIcon = GetResourceIconAddress(g_module, wostra::kRootIcon);
  const auto groups = wostra::Groups();
  for (size_t i = 0; i < groups.size(); ++i) g_groupIcons[i] = GetResourceIconAddress(g_module, groups[i].icon);
  std::atexit(Detach);
}

void DoneAny() {}

}  // namespace

// The host's one-time initialisers: each counts its calls and works on the
// first only.
namespace wostra_ {
int g_calls = 0;
int g_completed = 0;
MODULE_API void Init_() {
  if (g_calls++ != 0) return;
  ++g_completed;
  for (HostIcon& icon : g_methodIcons) icon = nullptr;
  g_methodCount = kMethodCount;
}
}  // namespace wostra_

namespace wostra {
int g_calls = 0;
int g_completed = 0;
MODULE_API void Init_() {
  if (g_calls++ != 0) return;
  ++g_completed;
  wostra_::Init_();
}
}  // namespace wostra

extern "C" {

MODULE_API bool Init(void) { return true; }

MODULE_API void Done(void) { DoneAny(); }

MODULE_API void DoneMethod(intptr_t) { DoneAny(); }

MODULE_API bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                           int* categoryId, HostIcon* icon) {
  const auto index = static_cast<unsigned>(methodIndex);
  if (index >= kMethodCount) return false;
  std::u16string_view name;
  HostIcon handle = nullptr;
  if (path == 0 && level == 0) {
    name = wostra::kRoot;
    handle = g_rootIcon;
  } else if (path == 0 && level == 1) {
    const int g = wostra::GroupIndexOf(index);
    name = wostra::Groups()[g].category;
    handle = g_groupIcons[g];
  } else if (path == 1 && level == 0 && index == wostra::kThresholdingMethod) {
    name = wostra::kThresholding;
    handle = g_groupIcons[wostra::GroupIndexOf(index)];
  } else {
    return false;
  }
  if (categoryId) *categoryId = wostra::kCategoryId;
  if (icon) *icon = handle;
  Copy(nameLen, nameBuf, name);
  return true;
}

MODULE_API bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                                 bool* gpuFlag) {
  if (gpuFlag) *gpuFlag = true;
  const auto i = static_cast<unsigned>(index);
  if (i >= kMethodCount) return false;
  const frame::MethodEntry& m = wostra::Methods()[i];
  Copy(idLen, idBuf, m.id);
  Copy(descLen, descBuf, m.description);
  if (icon) *icon = g_methodIcons[i];
  return true;
}

MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) {
  Copy(propLen, propBuf, u"");
  const auto m = static_cast<unsigned>(methodIndex);
  if (m >= kMethodCount) return false;
  const auto inputs = wostra::Methods()[m].inputs;
  const auto p = static_cast<unsigned>(paramIndex);
  if (p >= inputs.size()) return false;
  if (type) *type = inputs[p].type;
  Copy(propLen, propBuf, inputs[p].properties);
  Copy(nameLen, nameBuf, inputs[p].name);
  return true;
}

MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) {
  if (static_cast<unsigned>(methodIndex) >= kMethodCount || paramIndex != 0) return false;
  if (type) *type = ptFrame;
  Copy(nameLen, nameBuf, wostra::kOutputName);
  return true;
}

MODULE_API intptr_t InitMethod(int methodIndex) { return methodIndex; }

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  try {
    return wostra::Run(handle, hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf);
  } catch (...) {
    Copy(errLen, errBuf, u"error: Unexpected failure");
    return false;
  }
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &wostra::Resources(); }

}  // extern "C"
