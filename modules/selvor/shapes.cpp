// Marks of points, lines, rectangles, circles, rings and coordinate systems,
// each optionally labelled with its coordinates in the run's system.
#include <cmath>

#include "frame/text_format.h"
#include "run.h"

namespace selvor {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::u16string Label(const char* format, double a, double b) {
  return frame::FormatText(TextBuffer::kChars, format, static_cast<double>(static_cast<float>(a)),
                           static_cast<double>(static_cast<float>(b)));
}
std::u16string Label(const char* format, double a, double b, double c) {
  return frame::FormatText(TextBuffer::kChars, format, static_cast<double>(static_cast<float>(a)),
                           static_cast<double>(static_cast<float>(b)), static_cast<double>(static_cast<float>(c)));
}
std::u16string Label(const char* format, double a, double b, double c, double d) {
  return frame::FormatText(TextBuffer::kChars, format, static_cast<double>(static_cast<float>(a)),
                           static_cast<double>(static_cast<float>(b)), static_cast<double>(static_cast<float>(c)),
                           static_cast<double>(static_cast<float>(d)));
}

void Text(const RunArgs& a, TextBuffer& buf, int hi, const std::u16string& text, double x, double y, double angle,
          TColor c) {
  buf.Put(0, text);
  DrawString(a.ctx, hi, buf.c_str(), x, y, 0.0, angle, c);
}

// The common frame of the shape methods: flag, highest indexes, then per
// element read, colour, mark and labels.
template <class T, class Mark>
bool Shapes(const RunArgs& a, bool (*get)(void*, int, const char16_t*, int, T**), std::u16string_view error,
            Mark mark) {
  const ParamName flagName = frame::InputName(a, 2);
  bool labels = true;
  bool* flag = nullptr;
  if (flagName.ok && GetFlag(a.ctx, 63, flagName.c_str(), 0, &flag) && flag) labels = *flag;
  if (flagName.ok) frame::WarnArrayInput(a.ctx, 63, flagName.c_str());
  Input shapes(a, 0), colors(a, 1);
  if (!shapes.MaxIndex(a)) return a.fail(error);
  if (!colors.MaxIndex(a)) return a.fail(kNoColor);
  TextBuffer buf;
  for (int i = 0; i <= shapes.max; ++i) {
    T* p = nullptr;
    if (!get(a.ctx, 63, shapes.name.c_str(), i, &p) || !p) return a.fail(error);
    const T shape = *p;
    mark(shape, ColorAt(a, colors, i), labels, buf);
  }
  return true;
}

}  // namespace

std::u16string Fixed2(double v) {
  return frame::FormatText(TextBuffer::kChars, "%.2f", static_cast<double>(static_cast<float>(v)));
}

bool RunDrawPoint(const RunArgs& a) {
  return Shapes<TPoint>(a, GetPoint, u"error: Cannot get input point", [&](const TPoint& p, TColor c, bool labels,
                                                                          TextBuffer& buf) {
    DrawCircle(a.ctx, p.x, p.y, 2.0, 4.0, c);
    if (!labels) return;
    double tx, ty;
    InvTransformPoint(a.ctx, p.x, p.y, &tx, &ty);
    Text(a, buf, 50, Label("[%.2f, %.2f]", tx, ty), p.x - 30, p.y + 10, 0.0, c);
  });
}

bool RunDrawLine(const RunArgs& a) {
  return Shapes<TLine>(a, GetLine, u"error: Cannot get input line", [&](const TLine& l, TColor c, bool labels,
                                                                       TextBuffer& buf) {
    DrawLine(a.ctx, l.x0, l.y0, l.x1, l.y1, GetDrawThickness(a.ctx, 1), c);
    if (!labels) return;
    double tx, ty;
    InvTransformPoint(a.ctx, l.x0, l.y0, &tx, &ty);
    Text(a, buf, 50, Label("[%.2f, %.2f]", tx, ty), l.x0 - 30, l.y0 + 10, 0.0, c);
    InvTransformPoint(a.ctx, l.x1, l.y1, &tx, &ty);
    Text(a, buf, 50, Label("[%.2f, %.2f]", tx, ty), l.x1 - 30, l.y1 + 10, 0.0, c);
  });
}

bool RunDrawRectangle(const RunArgs& a) {
  return Shapes<TRectangle>(a, GetRectangle, u"error: Cannot get input rectangle",
                            [&](const TRectangle& r, TColor c, bool labels, TextBuffer& buf) {
    DrawRectangle(a.ctx, r.cx, r.cy, r.width, r.height, r.angle, GetDrawThickness(a.ctx, 1), c);
    if (!labels) return;
    double tx, ty, ta;
    InvTransformPoint(a.ctx, r.cx, r.cy, &tx, &ty);
    InvTransformAngle(a.ctx, r.angle, &ta);
    const std::u16string texts[3] = {Label("x = %.2f, y = %.2f", tx, ty),
                                     Label("w = %.2f, d = %.2f", r.width, r.height),
                                     frame::FormatText(TextBuffer::kChars, "angle = %.2f",
                                                       static_cast<double>(static_cast<float>(ta)))};
    // At (-h, v) of the rectangle's own axes, turned with it.
    const float ang = static_cast<float>(r.angle * kPi / 180);
    const double s = static_cast<float>(std::sin(static_cast<double>(ang))), co = static_cast<float>(std::cos(static_cast<double>(ang)));
    const double h = r.width / 2 - 10;
    for (int k = 1; k <= 3; ++k) {
      const double v = r.height / 2 - 20 * k;
      Text(a, buf, 50, texts[k - 1], r.cx - co * h - v * s, r.cy - s * h + v * co, r.angle, c);
    }
  });
}

bool RunDrawCircle(const RunArgs& a) {
  return Shapes<TRing>(a, GetRing, u"error: Cannot get input ring", [&](const TRing& r, TColor c, bool labels,
                                                                       TextBuffer& buf) {
    DrawCircle(a.ctx, r.cx, r.cy, r.r1, 2.0, c);
    if (!labels) return;
    double tx, ty;
    InvTransformPoint(a.ctx, r.cx, r.cy, &tx, &ty);
    Text(a, buf, 63, Label("x = %.2f, y = %.2f, r = %.2f", tx, ty, r.r1), r.cx - 30, r.cy, 0.0, c);
  });
}

bool RunDrawRing(const RunArgs& a) {
  return Shapes<TRing>(a, GetRing, u"error: Cannot get input ring", [&](const TRing& r, TColor c, bool labels,
                                                                       TextBuffer& buf) {
    DrawRing(a.ctx, r.cx, r.cy, r.r1, r.r2, r.a1, r.a2, GetDrawThickness(a.ctx, 1), c);
    if (!labels) return;
    double tx, ty, t1, t2;
    InvTransformPoint(a.ctx, r.cx, r.cy, &tx, &ty);
    InvTransformAngle(a.ctx, r.a1, &t1);
    InvTransformAngle(a.ctx, r.a2, &t2);
    Text(a, buf, 63, Label("x = %.2f, y = %.2f, r1 = %.2f, r2 = %.2f", tx, ty, r.r1, r.r2), r.cx - 40, r.cy, 0.0, c);
    Text(a, buf, 50, Label("angle1 = %.2f, angle2 = %.2f", t1, t2), r.cx - 40, r.cy - 20, 0.0, c);
  });
}

bool RunDrawCoordinateSystem(const RunArgs& a) {
  return Shapes<TCoordinateSystem>(a, GetCoordinateSystem, u"error: Cannot get input coordinate system",
                                   [&](const TCoordinateSystem& s, TColor c, bool labels, TextBuffer& buf) {
    const float ang = static_cast<float>(s.angle * kPi / 180);
    const double co = static_cast<float>(std::cos(static_cast<double>(ang))) * 100.0, si = static_cast<float>(std::sin(static_cast<double>(ang))) * 100.0;
    DrawCircle(a.ctx, s.x, s.y, 2.0, 4.0, c);
    DrawArrow(a.ctx, s.x, s.y, s.x + co, s.y + si, GetDrawThickness(a.ctx, 1), c);
    DrawArrow(a.ctx, s.x, s.y, s.x - si, s.y + co, GetDrawThickness(a.ctx, 1), c);
    if (!labels) return;
    // As read: the system is not carried into the run's own.
    Text(a, buf, 63, Label("x = %.2f, y = %.2f, angle = %.2f", s.x, s.y, s.angle), s.x - 30, s.y, 0.0, c);
  });
}

}  // namespace selvor
