#include <string>

#include "frame/module_frame.h"

namespace frame {

namespace {

void Append(std::u16string& out, std::u16string_view part, size_t cap) { out.append(part.substr(0, cap)); }

std::u16string_view Name(const char16_t* name) {
  return name ? std::u16string_view(name, BoundedLength(name, 127)) : std::u16string_view();
}

}  // namespace

void WarnArraySizeMismatch(void* ctx, const char16_t* name1, const char16_t* name2) {
  std::u16string text;
  Append(text, u"Two input arrays (", 64);
  Append(text, Name(name1), 64);
  Append(text, u" and ", 32);
  Append(text, Name(name2), 64);
  Append(text, u") have different number of elements.", 64);
  AddWarning(ctx, 255, text.c_str());
}

}  // namespace frame
