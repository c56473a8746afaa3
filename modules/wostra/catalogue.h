// The 54 methods, their ten groups and the service block layout of each.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "frame/catalogue.h"

namespace wostra {

inline constexpr unsigned kMethodCount = 54;

enum class FieldKind { kFloat, kInt32, kByte, kArray };

// One parameter field of a service block: read from input `input` (element 0,
// or elements 0..count-1 of an array) and stored at `offset`.
struct Field {
  int input;
  FieldKind kind;
  int offset;
  double fallback;  // sent when the input cannot be named or read
  std::span<const float> fallbackArray = {};
};

struct Group {
  std::u16string_view category;
  int icon;
  std::u16string_view service;
  int size;  // block bytes
  unsigned first, last;
  std::span<const frame::InputEntry> inputs;  // input 0 ("input frame") first
  std::span<const Field> fields;
};

inline constexpr int kRootIcon = 900;
inline constexpr std::u16string_view kRoot = u"GPU full frame filters";
inline constexpr std::u16string_view kThresholding = u"Thresholding";
inline constexpr unsigned kThresholdingMethod = 18;
inline constexpr int kCategoryId = 6;
inline constexpr std::u16string_view kOutputName = u"input frame";

std::span<const Group> Groups();
// Null past the last method (compared as unsigned).
const Group* GroupOf(unsigned method);
int GroupIndexOf(unsigned method);
std::span<const frame::MethodEntry> Methods();
const ModuleResourceTable& Resources();

}  // namespace wostra
