// Host string and data blocks, text reading and UTF conversions.
#include <cstdlib>
#include <cstring>

#include "context.h"

namespace talvix {
namespace {

constexpr size_t kStringHeader = offsetof(HostStringBlock, chars);
constexpr size_t kDataHeader = offsetof(DataBlock, data);

// A block for `capacity` characters plus the NUL the host keeps behind them.
HostString AllocString(int capacity) {
  auto* s = static_cast<HostString>(std::malloc(kStringHeader + (static_cast<size_t>(capacity) + 1) * 2));
  if (!s) return nullptr;
  s->capacity = capacity;
  s->length = 0;
  s->chars[0] = 0;
  return s;
}

// Makes *s a block that holds at least `need` characters, keeping its text.
bool Reserve(HostString* s, int need) {
  if (need > INT32_MAX - 1) return false;  // no room for the NUL behind the last character
  if (!*s) {
    *s = AllocString(need < 15 ? 15 : need);
    return *s != nullptr;
  }
  if ((*s)->capacity >= need) return true;
  int64_t cap = int64_t{(*s)->capacity} * 2;
  if (cap < need) cap = need;
  if (cap > INT32_MAX - 1) cap = INT32_MAX - 1;
  auto* grown = static_cast<HostString>(std::realloc(*s, kStringHeader + (static_cast<size_t>(cap) + 1) * 2));
  if (!grown) return false;
  grown->capacity = static_cast<int32_t>(cap);
  *s = grown;
  return true;
}

}  // namespace

std::u16string ReadText(int hi, const char16_t* p) {
  std::u16string out;
  if (!p || hi < 0) return out;
  for (int64_t i = 0; i <= hi && p[i] != 0; ++i) out.push_back(p[i]);
  return out;
}

HostString NewHostString(std::u16string_view text) {
  HostString s = AllocString(static_cast<int>(text.size()));
  if (!s) return nullptr;
  std::memcpy(s->chars, text.data(), text.size() * 2);
  s->length = static_cast<int32_t>(text.size());
  s->chars[text.size()] = 0;
  return s;
}

void FreeStringBlock(HostString s) { std::free(s); }

DataObject NewDataBlock(const std::vector<uint8_t>& bytes) {
  size_t cap = bytes.size() < 8 ? 8 : bytes.size();
  auto* d = static_cast<DataObject>(std::malloc(kDataHeader + cap));
  if (!d) return nullptr;
  d->capacity = static_cast<int32_t>(cap);
  d->length = static_cast<int32_t>(bytes.size());
  if (!bytes.empty()) std::memcpy(d->data, bytes.data(), bytes.size());
  return d;
}

void FreeDataBlock(DataObject d) { std::free(d); }

std::u16string ToU16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + extra < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string ToUtf8(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // lone surrogate
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace talvix

using talvix::Reserve;

extern "C" {

void SetString(int hi, const char16_t* text, HostString* s) {
  if (!s) return;
  std::u16string t = talvix::ReadText(hi, text);
  if (!Reserve(s, static_cast<int>(t.size()))) return;
  std::memcpy((*s)->chars, t.data(), t.size() * 2);
  (*s)->length = static_cast<int32_t>(t.size());
  (*s)->chars[t.size()] = 0;
}

void SetZeroString(HostString* s) {
  if (!s || !Reserve(s, 0)) return;
  (*s)->length = 0;
  (*s)->chars[0] = 0;
}

// pos == length appends; a position past the end pads with blanks.
void SetStringChar(int pos, char16_t ch, HostString* s) {
  if (!s || pos < 0 || pos == INT32_MAX) return;
  int len = *s ? (*s)->length : 0;
  if (!Reserve(s, pos >= len ? pos + 1 : len)) return;
  HostString b = *s;
  for (int i = b->length; i < pos; ++i) b->chars[i] = u' ';
  b->chars[pos] = ch;
  if (pos >= b->length) {
    b->length = pos + 1;
    b->chars[pos + 1] = 0;
  }
}

bool GetStringChar(int pos, const HostString* s, char16_t* ch) {
  if (!s || !*s || pos < 0 || pos >= (*s)->length) return false;
  if (ch) *ch = (*s)->chars[pos];
  return true;
}

int GetStringLength(const HostString* s) { return s && *s ? (*s)->length : 0; }

void FreeHostString(HostString* s) {
  if (!s) return;
  std::free(*s);
  *s = nullptr;
}

}  // extern "C"
