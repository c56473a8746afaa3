#include <algorithm>
#include <string>

#include "kavrin.h"
#include "talvix.h"

namespace kavrin {
namespace {

std::u16string_view View(HostString s) {
  if (!s || s->length <= 0) return {};
  return std::u16string_view(s->chars, static_cast<size_t>(s->length));
}

// Replaces the content through the host, which grows or makes the block.
// SetString stops at a NUL; the characters from there on go one by one.
void Store(HostString* s, const std::u16string& text) {
  if (text.empty()) {
    SetZeroString(s);
    return;
  }
  SetString(static_cast<int>(text.size()) - 1, text.c_str(), s);
  for (int i = GetStringLength(s); i < static_cast<int>(text.size()); ++i) SetStringChar(i, text[i], s);
}

}  // namespace

void ExportText(int hi, char16_t* dst, HostString s) {
  if (!dst || hi < 0) return;
  std::u16string_view t = View(s);
  const size_t n = std::min(t.size(), static_cast<size_t>(hi));
  std::copy_n(t.data(), n, dst);
  dst[n] = 0;
}

int CompareText(HostString a, HostString b) {
  const int c = View(a).compare(View(b));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool IsEmptyText(HostString s) { return View(s).empty(); }

void InsertText(HostString* s, int count, const char16_t* lit, int pos) {
  if (!s || !lit || count <= 0) return;
  std::u16string text(View(*s));
  size_t n = 0;
  while (n < static_cast<size_t>(count) && lit[n]) ++n;
  const size_t at = static_cast<size_t>(std::clamp(pos, 0, static_cast<int>(text.size())));
  text.insert(at, lit, n);
  Store(s, text);
}

void AfterInsert(HostString, int*, int*) {}

void AppendText(HostString* main, HostString add) {
  if (!main) return;
  std::u16string text(View(*main));
  text += View(add);
  Store(main, text);
}

}  // namespace kavrin
