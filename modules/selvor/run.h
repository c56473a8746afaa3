// Run conventions of selvor: inputs by position, colours broadcast by
// element, and the per-run text buffer.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "frame/run_args.h"

namespace selvor {

using frame::ParamName;
using frame::RunArgs;

inline constexpr std::u16string_view kNoColor = u"error: Cannot get input color";

// The texts of one run: 2048 characters, a text cut at the end.
class TextBuffer {
 public:
  static constexpr size_t kChars = 2048;
  // Writes text at pos and a terminator when it fits; the new length.
  size_t Put(size_t pos, std::u16string_view text) {
    pos = std::min(pos, kChars);
    const size_t n = std::min(text.size(), kChars - pos);
    std::copy_n(text.data(), n, chars_ + pos);
    if (pos + n < kChars) chars_[pos + n] = 0;
    return pos + n;
  }
  const char16_t* c_str() const { return chars_; }

 private:
  char16_t chars_[kChars] = {};
};

// An input by position with its highest index.
struct Input {
  Input(const RunArgs& a, int i) : name(frame::InputName(a, i)) {}
  bool MaxIndex(const RunArgs& a) {
    return name.ok && GetObjectMaxIndex(a.ctx, 63, name.c_str(), &max);
  }
  ParamName name;
  int max = -1;
};

// The colour of element i: element min(i, highest index), all 0 when unreadable.
inline TColor ColorAt(const RunArgs& a, const Input& colors, int i) {
  TColor* p = nullptr;
  if (colors.name.ok && GetColor(a.ctx, 63, colors.name.c_str(), std::min(i, colors.max), &p) && p) return *p;
  return TColor{0, 0, 0, 0};
}

// A number of element i, the fallback when it cannot be read.
inline double NumberAt(const RunArgs& a, const Input& in, int i, double fallback) {
  double* p = nullptr;
  return in.name.ok && GetNumber(a.ctx, 63, in.name.c_str(), i, &p) && p ? *p : fallback;
}

// The characters of a host string, by its length (it need not end in a NUL).
inline std::u16string_view StringText(HostString* s) {
  if (!s || !*s) return {};
  const int n = GetStringLength(s);
  return n > 0 ? std::u16string_view((*s)->chars, static_cast<size_t>(n)) : std::u16string_view();
}

// A label value: rounded to single precision, two decimals.
std::u16string Fixed2(double v);

using RunFn = bool (*)(const RunArgs&);

bool RunDrawPoint(const RunArgs&);
bool RunDrawLine(const RunArgs&);
bool RunDrawRectangle(const RunArgs&);
bool RunDrawCircle(const RunArgs&);
bool RunDrawRing(const RunArgs&);
bool RunDrawCoordinateSystem(const RunArgs&);
bool RunDrawString(const RunArgs&);
bool RunDrawNumber(const RunArgs&);
bool RunDrawFlag(const RunArgs&);
bool RunDrawColor(const RunArgs&);
bool RunDrawColorBox(const RunArgs&);
bool RunDrawToFrame(const RunArgs&);

}  // namespace selvor
