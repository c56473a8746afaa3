#include "contour/pratt_fit.h"

#include <algorithm>
#include <cmath>

namespace forvik {

namespace {

struct Circle {
  double dx, dy, r;  // centre relative to the points' mean
};

// Newton's method on the characteristic polynomial from 0; gives up with
// root 0 when the polynomial grows or 20 steps do not converge.
double PrattRoot(double a0, double a1, double a2) {
  double x = 0, y = 1e20;
  for (int iter = 1; iter <= 20; ++iter) {
    const double yOld = y;
    y = a0 + x * (a1 + x * (a2 + 4 * x * x));
    if (std::fabs(y) > std::fabs(yOld)) return 0;
    const double dy = a1 + x * (2 * a2 + 16 * x * x);
    const double xOld = x;
    x = xOld - y / dy;
    if (!std::isfinite(x)) return 0;
    if (std::fabs((x - xOld) / x) < 1e-12) break;
    if (iter >= 20) return 0;
    if (x < 0) x = 0;
  }
  return x;
}

bool Pratt(const float* xs, const float* ys, int lastIndex, double meanX, double meanY, Circle* out) {
  const int used = std::min(lastIndex, 200) + 1;
  double mxx = 0, myy = 0, mxy = 0, mxz = 0, myz = 0, mzz = 0;
  for (int i = 0; i < used; ++i) {
    const double x = xs[i] - meanX, y = ys[i] - meanY, z = x * x + y * y;
    mxx += x * x, myy += y * y, mxy += x * y, mxz += x * z, myz += y * z, mzz += z * z;
  }
  mxx /= used, myy /= used, mxy /= used, mxz /= used, myz /= used, mzz /= used;
  const double mz = mxx + myy;
  const double cov = mxx * myy - mxy * mxy;
  const double a2 = 4 * cov - 3 * mz * mz - mzz;
  const double a1 = mzz * mz + 4 * cov * mz - mxz * mxz - myz * myz - mz * mz * mz;
  const double a0 = mxz * mxz * myy + myz * myz * mxx - mzz * cov - 2 * mxz * myz * mxy + mz * mz * cov;
  const double root = PrattRoot(a0, a1, a2);
  const double det = root * root - root * mz + cov;
  // Collinear points: no circle.
  if (det == 0) return false;
  out->dx = (mxz * (myy - root) - myz * mxy) / det / 2;
  out->dy = (myz * (mxx - root) - mxz * mxy) / det / 2;
  out->r = std::sqrt(out->dx * out->dx + out->dy * out->dy + mz + 2 * root);
  return std::isfinite(out->dx) && std::isfinite(out->dy) && std::isfinite(out->r) && out->r > 0;
}

}  // namespace

bool FitThresholdCircle(const float* xs, const float* ys, int lastIndex, float tolerance, CircleCandidate* out) {
  if (lastIndex < 0) return false;
  const int n = lastIndex + 1;
  double meanX = 0, meanY = 0;
  for (int i = 0; i < n; ++i) meanX += xs[i], meanY += ys[i];
  meanX /= n, meanY /= n;
  Circle c;
  if (!Pratt(xs, ys, lastIndex, meanX, meanY, &c)) return false;
  if (!(std::fabs(c.dx) <= c.r / 2 && std::fabs(c.dy) <= c.r / 2)) return false;
  const double cx = meanX + c.dx, cy = meanY + c.dy;
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const double e = std::hypot(xs[i] - cx, ys[i] - cy) - c.r;
    sum += e * e;
  }
  const double error = std::sqrt(sum / n);
  if (!(error < tolerance * c.r / 26)) return false;
  out->x = static_cast<float>(cx);
  out->y = static_cast<float>(cy);
  out->radius = static_cast<float>(c.r);
  out->quality = static_cast<float>(std::min(1.0, 1 - (error * 26 / c.r - 0.2) / 5));
  out->score = 0;
  return true;
}

}  // namespace forvik
