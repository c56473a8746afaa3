#include "frame/catalogue.h"

#include "frame/module_frame.h"

namespace frame {

namespace {

// Index checks are unsigned: a negative index is past the end.
bool InRange(int index, size_t count) { return static_cast<unsigned>(index) < count; }

}  // namespace

const MethodEntry* Catalogue::Method(int index) const {
  return InRange(index, methods_.size()) ? &methods_[static_cast<unsigned>(index)] : nullptr;
}

const CategoryEntry* Catalogue::PlaceOf(int methodIndex, int path, int level, int* slot) const {
  for (const Placement& p : placements_) {
    if (p.path != path || p.level != level) continue;
    for (int m : p.methods) {
      if (m == methodIndex) {
        *slot = p.category;
        return &categories_[p.category];
      }
    }
  }
  if (path == 0 && level == 0 && policy_.unboundedTopCategory >= 0) {
    *slot = policy_.unboundedTopCategory;
    return &categories_[policy_.unboundedTopCategory];
  }
  return nullptr;
}

template <typename Fn>
void Catalogue::ForEachIcon(Fn fn) const {
  if (!policy_.iconOrder.empty()) {
    for (const IconSlot& s : policy_.iconOrder) {
      if (s.category) {
        fn(categoryIcons_[s.index], categories_[s.index].icon);
      } else {
        fn(methodIcons_[s.index], methods_[s.index].icon);
      }
    }
    return;
  }
  for (size_t i = 0; i < methods_.size(); ++i) fn(methodIcons_[i], methods_[i].icon);
  for (size_t i = 0; i < categories_.size(); ++i) {
    if (policy_.categoriesWithoutIcon && categories_[i].icon == 0) continue;
    fn(categoryIcons_[i], categories_[i].icon);
  }
}

bool Catalogue::Init() const {
  LoadHostLibrary();  // a failure does not stop Init
  void* module = ModuleHandle();
  ForEachIcon([module](HostIcon& store, int resource) { store = GetResourceIconAddress(module, resource); });
  return true;
}

void Catalogue::Done() const {
  ForEachIcon([](HostIcon& store, int) { DoneIcon(&store); });
}

bool Catalogue::EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                           int* categoryId, HostIcon* icon) const {
  int slot = 0;
  const CategoryEntry* c = PlaceOf(methodIndex, path, level, &slot);
  if (!c) {
    if (policy_.categoryIdBeforeIndex) {
      for (const Placement& p : placements_) {
        if (p.path != path || p.level != level) continue;
        *categoryId = categories_[p.category].categoryId;
        break;
      }
    }
    return false;
  }
  *categoryId = c->categoryId;
  *icon = categoryIcons_[slot];
  CopyText(c->name, nameLen, nameBuf);
  return true;
}

bool Catalogue::EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                                 bool* gpuFlag) const {
  if (policy_.gpuFlagInEnumerateMethods) *gpuFlag = policy_.gpuFlag;
  const MethodEntry* m = Method(index);
  if (!m) return false;
  CopyText(m->id, idLen, idBuf);
  CopyText(m->description, descLen, descBuf);
  *icon = methodIcons_[static_cast<unsigned>(index)];
  return true;
}

bool Catalogue::EnumerateMethodsSort(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                     HostIcon* icon, bool* gpuFlag, int* sortKey) const {
  if (!policy_.gpuFlagInEnumerateMethods) *gpuFlag = policy_.gpuFlag;
  if (policy_.sortKey == SortKeyRule::kMethodIndex) {
    *sortKey = index;
  } else if (const MethodEntry* m = Method(index)) {
    *sortKey = m->sortKey;
  }
  return EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);
}

bool Catalogue::EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen,
                                                   char16_t* descBuf, HostIcon* icon, bool* gpuFlag, int* sortKey,
                                                   int* properties) const {
  const MethodEntry* m = Method(index);
  *properties = m ? m->properties : 0;
  return EnumerateMethodsSort(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag, sortKey);
}

bool Catalogue::EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) const {
  // Emptied before any test: an input without hints, and every false answer,
  // leave an empty property string.
  if (propBuf && propLen >= 0) propBuf[0] = 0;
  const MethodEntry* m = Method(methodIndex);
  if (!m || !InRange(paramIndex, m->inputs.size())) return false;
  const InputEntry& in = m->inputs[static_cast<unsigned>(paramIndex)];
  *type = in.type;
  CopyText(in.name, nameLen, nameBuf);
  if (!in.properties.empty()) CopyText(in.properties, propLen, propBuf);
  return true;
}

bool Catalogue::EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen,
                                       char16_t* nameBuf) const {
  const MethodEntry* m = Method(methodIndex);
  if (!m || !InRange(paramIndex, m->outputs.size())) return false;
  const OutputEntry& out = m->outputs[static_cast<unsigned>(paramIndex)];
  *type = out.type;
  CopyText(out.name, nameLen, nameBuf);
  return true;
}

}  // namespace frame
