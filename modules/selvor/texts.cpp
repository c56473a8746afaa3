// Texts of strings, numbers, flags and colours after an optional prefix, and
// filled colour boxes.
#include "frame/input_params.h"
#include "frame/text_format.h"
#include "run.h"

namespace selvor {

namespace {

// The common frame of the text methods. `text(i, &element)` reads element i
// and gives its text; false when it cannot be read.
template <class Text>
bool Texts(const RunArgs& a, std::u16string_view error, Text text) {
  Input values(a, 0), colors(a, 1), xs(a, 2), ys(a, 3);
  if (!values.MaxIndex(a)) return a.fail(error);
  if (!colors.MaxIndex(a)) return a.fail(kNoColor);
  TextBuffer buf;
  size_t prefixEnd = 0;
  const ParamName prefix = frame::InputName(a, 4);
  HostString* p = nullptr;
  if (prefix.ok && GetString(a.ctx, 63, prefix.c_str(), 0, &p) && p) prefixEnd = buf.Put(0, StringText(p));
  if (prefix.ok) frame::WarnArrayInput(a.ctx, 63, prefix.c_str());
  for (int i = 0; i <= values.max; ++i) {
    std::u16string element;
    if (!text(values.name, i, &element)) return a.fail(error);
    const TColor c = ColorAt(a, colors, i);
    const double x = NumberAt(a, xs, i, 0), y = NumberAt(a, ys, i, 0);
    buf.Put(prefixEnd, element);
    DrawString(a.ctx, 255, buf.c_str(), x, y, 0.0, 0.0, c);
  }
  return true;
}

}  // namespace

bool RunDrawString(const RunArgs& a) {
  return Texts(a, u"error: Cannot get input string", [&](const ParamName& name, int i, std::u16string* out) {
    HostString* s = nullptr;
    if (!GetString(a.ctx, 63, name.c_str(), i, &s) || !s) return false;
    *out = StringText(s);
    return true;
  });
}

bool RunDrawNumber(const RunArgs& a) {
  return Texts(a, u"error: Cannot get input number", [&](const ParamName& name, int i, std::u16string* out) {
    double* v = nullptr;
    if (!GetNumber(a.ctx, 63, name.c_str(), i, &v) || !v) return false;
    *out = Fixed2(*v);
    return true;
  });
}

bool RunDrawFlag(const RunArgs& a) {
  return Texts(a, u"error: Cannot get input flag", [&](const ParamName& name, int i, std::u16string* out) {
    bool* v = nullptr;
    if (!GetFlag(a.ctx, 63, name.c_str(), i, &v) || !v) return false;
    *out = *v ? u"true" : u"false";
    return true;
  });
}

bool RunDrawColor(const RunArgs& a) {
  return Texts(a, kNoColor, [&](const ParamName& name, int i, std::u16string* out) {
    TColor* c = nullptr;
    if (!GetColor(a.ctx, 63, name.c_str(), i, &c) || !c) return false;
    *out = frame::FormatText(TextBuffer::kChars, "R = %d; G = %d; B = %d; A = %d", frame::TruncateToInt(c->R * 255),
                             frame::TruncateToInt(c->G * 255), frame::TruncateToInt(c->B * 255),
                             frame::TruncateToInt(c->A * 255));
    return true;
  });
}

bool RunDrawColorBox(const RunArgs& a) {
  Input colors(a, 0), xs(a, 1), ys(a, 2), ws(a, 3), ds(a, 4);
  if (!colors.MaxIndex(a)) return a.fail(kNoColor);
  for (int i = 0; i <= colors.max; ++i) {
    TColor* c = nullptr;
    if (!GetColor(a.ctx, 63, colors.name.c_str(), i, &c) || !c) return a.fail(kNoColor);
    DrawBoxFill(a.ctx, NumberAt(a, xs, i, 0), NumberAt(a, ys, i, 50.0), NumberAt(a, ws, i, 50.0),
                NumberAt(a, ds, i, 50.0), *c);
  }
  return true;
}

}  // namespace selvor
