#include "frame/module_frame.h"

#include <dlfcn.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace frame {

const double Sqrt3 = std::sqrt(3.0);
const double MaxColorDistance = Sqrt3 * 255.0;

size_t BoundedLength(const char16_t* text, int hi) {
  if (!text || hi < 0) return 0;
  size_t n = 0;
  const size_t cap = static_cast<size_t>(hi) + 1;
  while (n < cap && text[n] != 0) ++n;
  return n;
}

void CopyText(std::u16string_view text, int hi, char16_t* buf) {
  if (!buf || hi < 0) return;
  const size_t cap = static_cast<size_t>(hi) + 1;
  const size_t n = std::min(cap, text.size());
  std::copy_n(text.data(), n, buf);
  std::fill(buf + n, buf + cap, u'\0');
}

void SetWholeString(std::u16string_view text, HostString* s) {
  if (!s) return;
  if (text.empty()) {
    SetZeroString(s);
    return;
  }
  SetString(static_cast<int>(text.size()) - 1, text.data(), s);
  for (int i = GetStringLength(s); i < static_cast<int>(text.size()); ++i) {
    SetStringChar(i, text[static_cast<size_t>(i)], s);
  }
}

bool Fail(int errLen, char16_t* errBuf, std::u16string_view text) {
  CopyText(text, errLen, errBuf);
  return false;
}

namespace {

constexpr size_t kWarningChars = 256;  // the local buffer of every warning helper

// Appends at most `cap` characters of `part`, keeping room for the terminator.
void Append(std::u16string& out, std::u16string_view part, size_t cap) {
  const size_t room = kWarningChars - 1 - std::min(out.size(), kWarningChars - 1);
  out.append(part.substr(0, std::min({part.size(), cap, room})));
}

std::u16string Widen(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// Whole numbers, independent of the locale: "%d" and "%f" (six decimals).
std::u16string FormatInt(int v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return Widen(std::string_view(buf, r.ptr - buf));
}

std::u16string FormatReal(double v) {
  if (std::isnan(v)) return u"nan";
  if (std::isinf(v)) return v < 0 ? u"-inf" : u"inf";
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  return Widen(std::string_view(buf, r.ptr - buf));
}

void WarnCorrected(void* ctx, int nameLen, const char16_t* name, const std::u16string& oldText,
                   const std::u16string& newText) {
  std::u16string text;
  Append(text, u"Not acceptable value of the parameter ", 127);
  Append(text, std::u16string_view(name ? name : u"", BoundedLength(name, nameLen)), kWarningChars);
  Append(text, u" (", kWarningChars);
  // Numbers are appended whole: a cut number would report a wrong value.
  Append(text, oldText, kWarningChars);
  Append(text, u")", kWarningChars);
  Append(text, u". ", kWarningChars);
  Append(text, u"It will be used new value ", kWarningChars);
  Append(text, newText, kWarningChars);
  Append(text, u".", kWarningChars);
  AddWarning(ctx, 255, text.c_str());
}

}  // namespace

void WarnArrayInput(void* ctx, int nameLen, const char16_t* name) {
  const size_t len = BoundedLength(name, nameLen);
  if (len == 0) return;
  int maxIndex = 0;
  if (!GetObjectMaxIndex(ctx, nameLen, name, &maxIndex) || maxIndex <= 0) return;
  std::u16string text;
  Append(text, u"Only the first element of the array would be evaluated in the input data object ", kWarningChars);
  Append(text, std::u16string_view(name, len), 64);
  AddWarning(ctx, 255, text.c_str());
}

void WarnIntParameterCorrected(void* ctx, int nameLen, const char16_t* name, int oldValue, int newValue) {
  WarnCorrected(ctx, nameLen, name, FormatInt(oldValue), FormatInt(newValue));
}

void WarnRealParameterCorrected(void* ctx, int nameLen, const char16_t* name, float oldValue, float newValue) {
  WarnCorrected(ctx, nameLen, name, FormatReal(oldValue), FormatReal(newValue));
}

bool LoadHostLibrary() {
  // Never released: the host library stays mapped as long as the module.
  return dlopen("libtalvix.so", RTLD_NOW | RTLD_NODELETE) != nullptr;
}

namespace {

void* g_moduleHandle = nullptr;

// The portable counterpart of keeping the handle in DllMain on process
// attach: find the shared object that holds this code and take its handle.
__attribute__((constructor)) void KeepModuleHandle() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&KeepModuleHandle), &info) == 0 || !info.dli_fname) return;
  void* self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (!self) self = dlopen(nullptr, RTLD_LAZY);  // linked into an executable
  g_moduleHandle = self;
  if (self) dlclose(self);  // drop the extra reference; the object stays loaded while its code runs
}

}  // namespace

void* ModuleHandle() { return g_moduleHandle; }

}  // namespace frame
