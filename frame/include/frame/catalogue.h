// The catalogue engine: a module describes itself with constant tables
// (methods, categories, placements, inputs, outputs) and answers the host's
// enumerators and Init/Done from them. Each module defines its C exports in
// its own exports.cpp by calling a Catalogue; the engine itself references no
// module symbol.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "talvix.h"

namespace frame {

struct InputEntry {
  int type;  // ParameterType code
  std::u16string_view name;
  std::u16string_view properties = {};  // empty: the property buffer stays empty
};

struct OutputEntry {
  int type;
  std::u16string_view name;
};

struct MethodEntry {
  std::u16string_view id;
  std::u16string_view description;
  int icon;  // resource number of the 40x40 icon
  int sortKey;
  int properties;  // the properties value of the sort enumerator
  std::span<const InputEntry> inputs;
  std::span<const OutputEntry> outputs;
};

struct CategoryEntry {
  std::u16string_view name;
  int categoryId;
  int icon;  // resource number of the 20x20 icon
};

// The methods listed under category `category` at (path, level).
struct Placement {
  int category;  // index into the category table
  int path;
  int level;
  std::span<const int> methods;
};

// One icon handle: a method's or a category's, by table index.
struct IconSlot {
  bool category;
  int index;
};

enum class SortKeyRule {
  kTable,        // the table's key, written for a valid index only
  kMethodIndex,  // the index itself, written before the index is checked
};

// Where a module departs from the common enumerator pattern.
struct CataloguePolicy {
  bool gpuFlag = false;  // written to *gpuFlag before the index is checked
  // Category answered at path 0, level 0 for every method index without a
  // placement there, past the last method too; -1 for none.
  int unboundedTopCategory = -1;
  SortKeyRule sortKey = SortKeyRule::kTable;
  // Order in which Init fetches and Done releases the icons; empty means
  // every method in index order, then every category in table order.
  std::span<const IconSlot> iconOrder = {};
  // False: EnumerateMethods leaves *gpuFlag alone and only the sort
  // enumerators write it (before the index is checked).
  bool gpuFlagInEnumerateMethods = true;
  // True: a category whose icon resource is 0 has no icon; Init never fetches
  // it (the icon order leaves it out) and its enumerator answers a null handle.
  bool categoriesWithoutIcon = false;
  // At a (path, level) that has placements, the first one's categoryId is
  // written even for an index without a place there (the answer stays false).
  bool categoryIdBeforeIndex = false;
};

class Catalogue {
 public:
  // methodIcons and categoryIcons are the module's icon globals, one handle
  // per method and per category.
  constexpr Catalogue(std::span<const MethodEntry> methods, std::span<const CategoryEntry> categories,
                      std::span<const Placement> placements, std::span<HostIcon> methodIcons,
                      std::span<HostIcon> categoryIcons, CataloguePolicy policy = {})
      : methods_(methods),
        categories_(categories),
        placements_(placements),
        methodIcons_(methodIcons),
        categoryIcons_(categoryIcons),
        policy_(policy) {}

  constexpr std::span<const MethodEntry> methods() const { return methods_; }
  constexpr std::span<const CategoryEntry> categories() const { return categories_; }
  constexpr std::span<const Placement> placements() const { return placements_; }
  constexpr const CataloguePolicy& policy() const { return policy_; }
  // The name the catalogue lists for input `input` of method `method`
  // (for texts about an input the host did not name); empty past the tables.
  constexpr std::u16string_view ListedInputName(int method, int input) const {
    if (method < 0 || static_cast<size_t>(method) >= methods_.size()) return {};
    const std::span<const InputEntry> inputs = methods_[method].inputs;
    return input >= 0 && static_cast<size_t>(input) < inputs.size() ? inputs[input].name : std::u16string_view();
  }

  // Pins the host library, then fetches every icon into its global; true.
  bool Init() const;
  // Gives every icon back, in the order of Init.
  void Done() const;

  // Writes categoryId, then the icon, then the name (nameLen + 1 characters);
  // false without any write when the method has no place at (path, level).
  bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf, int* categoryId,
                                  HostIcon* icon) const;
  // *gpuFlag first, then id, description and icon of a valid index.
  bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                        bool* gpuFlag) const;
  // *sortKey by the policy's rule, then as EnumerateMethods.
  bool EnumerateMethodsSort(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                            bool* gpuFlag, int* sortKey) const;
  // *properties first (0 past the end), then as EnumerateMethodsSort.
  bool EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                          HostIcon* icon, bool* gpuFlag, int* sortKey, int* properties) const;
  // propBuf[0] = 0 before any test, then type, name and property string.
  bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf, int nameLen,
                             char16_t* nameBuf) const;
  // Type and name; nameBuf untouched on false.
  bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) const;

  // For static_assert: every index the tables hold is in range, no method has
  // two places at one (path, level), the icon order names each handle once,
  // and every id, name and parameter type is valid.
  constexpr bool Consistent() const;

 private:
  const MethodEntry* Method(int index) const;
  const CategoryEntry* PlaceOf(int methodIndex, int path, int level, int* slot) const;
  template <typename Fn>
  void ForEachIcon(Fn fn) const;

  std::span<const MethodEntry> methods_;
  std::span<const CategoryEntry> categories_;
  std::span<const Placement> placements_;
  std::span<HostIcon> methodIcons_;
  std::span<HostIcon> categoryIcons_;
  CataloguePolicy policy_;
};

constexpr bool Catalogue::Consistent() const {
  if (methodIcons_.size() != methods_.size() || categoryIcons_.size() != categories_.size()) return false;
  const auto categoryOk = [&](int c) { return c >= 0 && static_cast<size_t>(c) < categories_.size(); };
  size_t iconless = 0;  // categories that never get an icon handle
  for (const CategoryEntry& c : categories_) iconless += policy_.categoriesWithoutIcon && c.icon == 0 ? 1 : 0;
  if (policy_.unboundedTopCategory != -1 && !categoryOk(policy_.unboundedTopCategory)) return false;
  for (const IconSlot& s : policy_.iconOrder) {
    const size_t n = s.category ? categories_.size() : methods_.size();
    if (s.index < 0 || static_cast<size_t>(s.index) >= n) return false;
    if (s.category && policy_.categoriesWithoutIcon && categories_[s.index].icon == 0) return false;
    int uses = 0;  // the order must name every handle exactly once
    for (const IconSlot& t : policy_.iconOrder) uses += t.category == s.category && t.index == s.index ? 1 : 0;
    if (uses != 1) return false;
  }
  if (!policy_.iconOrder.empty() && policy_.iconOrder.size() != methods_.size() + categories_.size() - iconless) {
    return false;
  }
  for (const Placement& p : placements_) {
    if (!categoryOk(p.category)) return false;
    for (int m : p.methods) {
      if (m < 0 || static_cast<size_t>(m) >= methods_.size()) return false;
      int places = 0;  // of method m at this (path, level)
      for (const Placement& q : placements_) {
        if (q.path != p.path || q.level != p.level) continue;
        for (int n : q.methods) places += n == m ? 1 : 0;
      }
      if (places != 1) return false;
    }
  }
  for (const MethodEntry& m : methods_) {
    if (m.id.empty()) return false;
    for (const InputEntry& in : m.inputs) {
      if (in.type < ptFrame || in.type > ptDataObject || in.name.empty()) return false;
    }
    for (const OutputEntry& out : m.outputs) {
      if (out.type < ptFrame || out.type > ptDataObject || out.name.empty()) return false;
    }
  }
  return true;
}

}  // namespace frame
