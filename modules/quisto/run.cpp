#include "run.h"

#include "frame/text_format.h"

namespace quisto {

bool FailNamed(const RunArgs& a, std::u16string_view prefix, std::u16string_view name) {
  std::u16string text(prefix);
  text += name;
  return a.fail(text);
}

int MaxIndexOf(void* ctx, int hi, const ParamName& name) {
  int n = 0;
  if (!name.ok || !GetObjectMaxIndex(ctx, hi, name.c_str(), &n)) return 0;
  return n;
}

bool ReadShow(const RunArgs& a, int input, int hi) {
  const ParamName name = frame::InputName(a, input, hi);
  bool show = true;
  bool* flag = nullptr;
  if (name.ok && GetFlag(a.ctx, hi, name.c_str(), 0, &flag) && flag) show = *flag;
  if (name.ok) frame::WarnArrayInput(a.ctx, hi, name.c_str());
  return show;
}

Pen PenOf(void* ctx, int role) { return {GetDrawThickness(ctx, role), GetDrawColor(ctx, role)}; }

void DrawCoordinates(void* ctx, double x, double y) {
  if (GetDrawingLevel(ctx) <= 0) return;
  double tx = x, ty = y;
  InvTransformPoint(ctx, x, y, &tx, &ty);
  const std::u16string text = frame::FormatText(255, "[%.2f, %.2f]", tx, ty);
  DrawString(ctx, static_cast<int>(text.size()), text.c_str(), x - 30, y - 10, 0.0, 0.0,
             GetDrawColor(ctx, kResultRole));
}

void DrawPointMark(void* ctx, double x, double y, int role) {
  const Pen pen = PenOf(ctx, role);
  DrawCircle(ctx, x, y, 2.0, pen.thick, pen.color);
}

}  // namespace quisto
