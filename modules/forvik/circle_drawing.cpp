#include "circle_drawing.h"

#include "run_io.h"

namespace forvik {

CircleMarks::CircleMarks(void* context, const Frame* f, int arm)
    : ctx(context),
      frameWidth(GetFrameWidth(f)),
      frameDepth(GetFrameDepth(f)),
      armLength(arm),
      colour(GetDrawColor(context, 1)),
      thickness(GetDrawThickness(context, 1)) {
  GetTextWD(ctx, 128, u"0", &zeroWidth, &zeroDepth);
}

void CircleMarks::Cross(double x, double y) const {
  DrawLine(ctx, x, y, x, y + armLength, thickness, colour);
  DrawLine(ctx, x, y, x - armLength, y, thickness, colour);
  DrawLine(ctx, x, y, x, y - armLength, thickness, colour);
  DrawLine(ctx, x, y, x + armLength, y, thickness, colour);
}

void CircleMarks::RadiusRight(double x, double y, double r, int spacing) const {
  const std::u16string t = Label("%.2f", r);
  int w = 0, d = 0;
  GetTextWD(ctx, 128, t.c_str(), &w, &d);
  const int X = static_cast<int>(x + r + spacing);
  if (w + X < frameWidth) {
    DrawArrow(ctx, x, y, x + r, y, thickness, colour);
    DrawString(ctx, 128, t.c_str(), X, y, 0.0, 0.0, colour);
  } else {
    DrawArrow(ctx, x, y, x - r, y, thickness, colour);
    DrawString(ctx, 128, t.c_str(), x - r - spacing - w, y, 0.0, 0.0, colour);
  }
}

void CircleMarks::CentreLabel(double x, double y, double r) const {
  const std::u16string t = Label("[%.2f, %.2f]", x, y);
  int w = 0, d = 0;
  GetTextWD(ctx, 128, t.c_str(), &w, &d);
  double Y;
  if (r > w) {
    Y = static_cast<int>(y - 2 * zeroDepth);
    if (!(Y > 0)) Y = y + 2 * zeroDepth;
  } else {
    Y = static_cast<int>(y - r - 2 * zeroDepth);
    if (!(Y > 0)) Y = y + r + zeroDepth;
  }
  DrawString(ctx, 128, t.c_str(), x, Y, 0.0, 0.0, colour);
}

void CircleMarks::Circle(double x, double y, double r) const {
  DrawCircle(ctx, x, y, r, thickness, colour);
  Cross(x, y);
  const int level = GetDrawingLevel(ctx);
  if (level > 0) RadiusRight(x, y, r, zeroDepth);
  if (level == 2) CentreLabel(x, y, r);
}

}  // namespace forvik
