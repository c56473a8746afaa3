#include "fit.h"

#include <algorithm>
#include <cmath>

#include "arrays.h"
#include "catalogue.h"
#include "frame/text_format.h"

namespace quisto {

namespace {

constexpr float kIntLimit = 2147483648.0f;

}  // namespace

bool CFit::Run(const RunArgs& a) {
  ArrayInput<TPoint> in(a, type_, 0, GetPoint, kNoInputPoints, kShortNameHi);
  const bool show = ReadShow(a, 1, kShortNameHi);
  if (in.max < (type_ == kFitCircle ? 2 : 1)) return a.fail(kNotEnoughPoints);

  const size_t n = static_cast<size_t>(in.max) + 1;
  for (auto* buf : {&x_, &y_, &u_, &v_, &z_}) buf->assign(n, 0.0f);
  const bool marks = show && GetDrawingLevel(a.ctx) >= 2;
  sx_ = sy_ = 0;
  for (int i = 0; i <= in.max; ++i) {
    if (!in.fetch(a, i)) return false;
    x_[i] = static_cast<float>(in.value.x);
    y_[i] = static_cast<float>(in.value.y);
    // Points past the int range have no pixel bounds: they are not proper.
    if (!(std::fabs(x_[i]) < kIntLimit && std::fabs(y_[i]) < kIntLimit)) return a.fail(kNotEnoughPoints);
    sx_ += x_[i];
    sy_ += y_[i];
    if (marks) DrawPointMark(a.ctx, in.value.x, in.value.y, kInputRole);
  }
  return type_ == kFitCircle ? FitCircle(a, show) : FitLine(a, show);
}

// Least squares of y on x, or of x on y when the points spread more
// vertically. Sums and their differences are formed in double: in single
// precision they cancel to noise a few thousand pixels from the origin.
bool CFit::FitLine(const RunArgs& a, bool show) {
  const size_t count = x_.size();
  const double n = static_cast<double>(count);
  double sxx = 0, syy = 0, sxy = 0;
  for (size_t i = 0; i < count; ++i) {
    sxx += double(x_[i]) * x_[i];
    syy += double(y_[i]) * y_[i];
    sxy += double(x_[i]) * y_[i];
  }
  const auto [xLo, xHi] = std::minmax_element(x_.begin(), x_.end());
  const auto [yLo, yHi] = std::minmax_element(y_.begin(), y_.end());
  // Coinciding points give no direction.
  if (*xLo == *xHi && *yLo == *yHi) return a.fail(kNotEnoughPoints);
  const int xmin = static_cast<int>(*xLo), xmax = static_cast<int>(*xHi);
  const int ymin = static_cast<int>(*yLo), ymax = static_cast<int>(*yHi);

  TLine line;
  if (std::fabs(sxx - sx_ * sx_ / n) <= std::fabs(syy - sy_ * sy_ / n)) {
    const float k = static_cast<float>((n * sxy - sx_ * sy_) / (n * syy - sy_ * sy_));
    const float q = static_cast<float>((sx_ - k * sy_) / n);
    line = {k * static_cast<float>(ymin) + q, double(ymin), k * static_cast<float>(ymax) + q, double(ymax)};
  } else {
    const float k = static_cast<float>((n * sxy - sx_ * sy_) / (n * sxx - sx_ * sx_));
    const float q = static_cast<float>((sy_ - k * sx_) / n);
    line = {double(xmin), k * static_cast<float>(xmin) + q, double(xmax), k * static_cast<float>(xmax) + q};
  }
  ArrayOutput<TLine> out(a, 0, GetLine, kShortNameHi);
  TLine* o = out.at(a, 0);
  if (!o) return false;
  *o = line;
  if (show) {
    const Pen pen = PenOf(a.ctx, kResultRole);
    DrawLine(a.ctx, line.x0, line.y0, line.x1, line.y1, pen.thick, pen.color);
  }
  return true;
}

// Pratt's algebraic circle fit: the root of the characteristic polynomial by
// Newton's method from 0, then the centre and radius.
bool CFit::FitCircle(const RunArgs& a, bool show) {
  const size_t count = x_.size();
  const double n = static_cast<double>(count);
  const double mx = sx_ / n, my = sy_ / n;
  double muu = 0, mvv = 0, muv = 0, muz = 0, mvz = 0, mzz = 0;
  for (size_t i = 0; i < count; ++i) {
    const double u = x_[i] - mx, v = y_[i] - my, z = u * u + v * v;
    u_[i] = static_cast<float>(u);
    v_[i] = static_cast<float>(v);
    z_[i] = static_cast<float>(z);
    muu += u * u;
    mvv += v * v;
    muv += u * v;
    muz += u * z;
    mvz += v * z;
    mzz += z * z;
  }
  muu /= n, mvv /= n, muv /= n, muz /= n, mvz /= n, mzz /= n;

  const double mz = muu + mvv;
  const double c = muu * mvv - muv * muv;
  const double a2 = 4 * c - 3 * mz * mz - mzz;
  const double a1 = mzz * mz + 4 * c * mz - muz * muz - mvz * mvz - mz * mz * mz;
  const double a0 = muz * muz * mvv + mvz * mvz * muu - mzz * c - 2 * muz * mvz * muv + mz * mz * c;
  const double a22 = 2 * a2;

  double x = 0;
  double yPrev = 1e+20;
  for (int step = 1; step <= 20; ++step) {
    const double y = a0 + x * (a1 + x * (a2 + 4 * x * x));
    if (std::fabs(y) > std::fabs(yPrev)) {
      x = 0;
      break;
    }
    yPrev = y;
    const double dy = a1 + x * (a22 + 16 * x * x);
    if (dy == 0) break;
    const double xNew = x - y / dy;
    if (std::fabs((xNew - x) / xNew) < 1e-12) {
      x = xNew;
      break;
    }
    x = xNew;
    if (step == 20) x = 0;
    if (x < 0) x = 0;
  }

  const double d = x * x - x * mz + c;
  if (d == 0) return a.fail(kNoPrattCircle);
  const double ca = ((mvv - x) * muz - mvz * muv) / d / 2;
  const double cb = ((muu - x) * mvz - muz * muv) / d / 2;
  const double r = std::sqrt(ca * ca + cb * cb + mz + 2 * x);
  const double cx = mx + ca, cy = my + cb;

  ArrayOutput<TRing> out(a, 0, GetRing, kShortNameHi);
  TRing* o = out.at(a, 0);
  if (!o) return false;
  *o = {cx, cy, r, r, 0, 360.0};
  if (show) {
    const Pen pen = PenOf(a.ctx, kResultRole);
    DrawCircle(a.ctx, cx, cy, r, pen.thick, pen.color);
    if (GetDrawingLevel(a.ctx) > 0) {
      DrawArrow(a.ctx, cx, cy, cx + r, cy, pen.thick, pen.color);
      const std::u16string text = frame::FormatText(63, "%.1f", r);
      DrawString(a.ctx, static_cast<int>(text.size()), text.c_str(), cx + r / 2 - 10, cy, 0.0, 0.0, pen.color);
    }
  }
  out.size(a, 0);
  return true;
}

}  // namespace quisto
