// Icons: modules carry their resources in a table they export; a token is a
// host record that points at one icon resource.
#include <dlfcn.h>

#include <mutex>
#include <set>

#include "context.h"

namespace talvix {
namespace {

struct IconRecord {
  void* module;
  int number;
  const ModuleResource* resource;
};

struct IconRegistry {
  std::mutex mu;
  std::set<const IconRecord*> live;
  std::vector<IconEvent> log;
};

IconRegistry& Registry() {
  static IconRegistry r;
  return r;
}

const ModuleResource* FindIcon(void* module, int number) {
  auto fn = reinterpret_cast<TalvixModuleResourcesFn>(dlsym(module, "TalvixModuleResources"));
  const ModuleResourceTable* table = fn ? fn() : nullptr;
  if (!table || !table->entries) return nullptr;
  for (uint32_t i = 0; i < table->count; ++i) {
    const ModuleResource& r = table->entries[i];
    if (r.type == kIconResourceType && r.number == number) return &r;
  }
  return nullptr;
}

}  // namespace

std::vector<IconEvent> IconLog() {
  std::lock_guard lock(Registry().mu);
  return Registry().log;
}

void ClearIconLog() {
  std::lock_guard lock(Registry().mu);
  Registry().log.clear();
}

const ModuleResource* IconResource(HostIcon token) {
  auto& reg = Registry();
  std::lock_guard lock(reg.mu);
  auto it = reg.live.find(static_cast<const IconRecord*>(token));
  return it == reg.live.end() ? nullptr : (*it)->resource;
}

}  // namespace talvix

extern "C" {

HostIcon GetResourceIconAddress(void* module, int number) {
  if (!module) return nullptr;  // a null handle would search the whole process
  const ModuleResource* res = talvix::FindIcon(module, number);
  if (!res) return nullptr;
  auto* rec = new talvix::IconRecord{module, number, res};
  auto& reg = talvix::Registry();
  std::lock_guard lock(reg.mu);
  reg.live.insert(rec);
  reg.log.push_back({false, module, number, rec});
  return rec;
}

// Tokens the host did not hand out (or already took back) are left alone.
void DoneIcon(HostIcon* icon) {
  if (!icon || !*icon) return;
  auto* rec = static_cast<talvix::IconRecord*>(*icon);
  auto& reg = talvix::Registry();
  {
    std::lock_guard lock(reg.mu);
    if (!reg.live.erase(rec)) return;
    reg.log.push_back({true, rec->module, rec->number, rec});
  }
  delete rec;
  *icon = nullptr;
}

}  // extern "C"
