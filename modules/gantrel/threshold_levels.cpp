#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/turns.h"
#include "threshold.h"

namespace gantrel {

CropBox CropBoxOf(const TRectangularRegion& r, int width, int depth) {
  // A half turn gives the same rectangle; the box rules below hold for
  // angles whose cosine is not negative, so the angle is taken into
  // (-90, 90] first.
  double angle = std::fmod(r.angle, 180.0);
  if (angle > 90) angle -= 180;
  if (angle <= -90) angle += 180;
  // A tiny turn off a quarter turn is that quarter turn, as in the host's
  // region scan: the box's truncated edges must not move by a pixel with it.
  // (-90 and 90 give the same box.)
  angle = frame::SnapQuarterTurn(angle);
  const float t = static_cast<float>(angle * 3.14159265358979323846 / 180.0);
  const double s = std::sin(t), c = std::cos(t);
  const double hw = r.width / 2, hh = r.height / 2;
  CropBox b{frame::TruncateToInt(std::min(r.cx - hw * c - hh * s, r.cx - hw * c + hh * s)),
            frame::TruncateToInt(std::max(r.cx + hw * c - hh * s, r.cx + hw * c + hh * s)),
            frame::TruncateToInt(std::min(r.cy - hw * s - hh * c, r.cy + hw * s - hh * c)),
            frame::TruncateToInt(std::max(r.cy - hw * s + hh * c, r.cy + hw * s + hh * c))};
  b.left = std::max(b.left, 0);
  b.top = std::max(b.top, 0);
  b.right = std::min(b.right, width - 1);
  b.bottom = std::min(b.bottom, depth - 1);
  return b;
}

int RateLevel(const unsigned* h, float rate) {
  double total = 0;
  for (int i = 0; i < 256; ++i) total += h[i];
  const float target = static_cast<float>(total) * rate;
  if (!(target > 0)) return -1;
  double sum = 0;
  int level = 0;
  for (int i = 0; i < 256; ++i) {
    sum += h[i];
    level = i;
    if (!(sum < target)) break;
  }
  return level;
}

int BetweenClassLevel(const unsigned* h) {
  double total = 0;
  for (int i = 0; i < 256; ++i) total += h[i];
  float p[256];
  float muT = 0;
  for (int i = 0; i < 256; ++i) {
    p[i] = static_cast<float>(h[i] / total);
    muT += i * p[i];
  }
  float omega = p[0], mu = 0, best = 0;
  int level = 0;
  for (int i = 1; i < 256; ++i) {
    omega += p[i];
    mu += i * p[i];
    if (omega == 0 || omega == 1) continue;
    const float sigma = (omega * muT - mu) * (omega * muT - mu) / ((1 - omega) * omega);
    if (sigma > best) {  // ties keep the lower bin
      best = sigma;
      level = i;
    }
  }
  return level;
}

bool FlankLevel(const unsigned* h, int* level) {
  unsigned hmax = 0;
  for (int i = 0; i < 256; ++i) hmax = std::max(hmax, h[i]);
  if (hmax == 0) return false;
  float n[256], y[256], s[256];
  for (int i = 0; i < 256; ++i) n[i] = static_cast<float>(h[i]) / static_cast<float>(hmax);
  // A second-order recursive smoothing, run twice forward.
  const float b0 = 0.08857f, b1 = 0.17715f, b2 = 0.008857f, a1 = 0.8554f, a2 = 0.2097f;
  y[0] = y[1] = s[0] = s[1] = 0;
  for (int i = 2; i < 256; ++i) y[i] = b0 * n[i] + b1 * n[i - 1] + b2 * n[i - 2] + a1 * y[i - 1] - a2 * y[i - 2];
  for (int i = 2; i < 256; ++i) s[i] = b0 * y[i] + b1 * y[i - 1] + b2 * y[i - 2] + a1 * s[i - 1] - a2 * s[i - 2];
  for (int i = 0; i <= 251; ++i) s[i] = s[i + 4];  // the filter's delay

  int left = 255, right = 0;
  for (int i = 0; i <= 254; ++i) {
    if (s[i] >= 0.015f) {
      left = i;
      break;
    }
  }
  for (int i = 255; i >= 1; --i) {
    if (s[i] >= 0.015f) {
      right = i;
      break;
    }
  }
  if (left > 253 || right < 4) return false;
  const int peak = static_cast<int>(std::max_element(s, s + 256) - s);

  float d[256], a[256];
  d[0] = d[255] = 0;
  for (int i = 1; i <= 254; ++i) d[i] = (s[i + 1] - s[i - 1]) * 0.5f;
  std::copy(d, d + 256, a);
  for (int c = 5; c <= 250; ++c) {
    float sum = 0;
    for (int k = c - 5; k <= c + 5; ++k) sum += d[k];
    a[c] = sum / 11;
  }
  // Indexes stay within the table whatever the flank positions.
  const auto at = [&](int i) { return a[std::clamp(i, 0, 255)]; };

  if (std::abs(peak - left) > std::abs(right - peak)) {
    int k = peak - 2;
    float f = 0;
    for (int j = peak - 1; j >= left + 1; --j) {
      if (at(j) > at(j - 1) + 0.0001f && at(j) > at(j + 1) + 0.0001f) {
        k = j;
        f = at(j);
        break;
      }
    }
    int m = k;
    for (int j = k - 1; j >= left + 1; --j) {
      if (at(j) < at(m)) m = j;
    }
    if (m == left + 1) {
      *level = k - 1;
      return true;
    }
    *level = m;
    if (at(m) <= -0.05f * f) {
      for (int c = m; c <= k - 1; ++c) {
        if (at(c) < 0 && at(c + 1) > 0) *level = c;
      }
    }
    return true;
  }
  int k = peak + 1;
  float f = 0;
  for (int j = peak + 1; j <= right - 1; ++j) {
    if (at(j) < at(j - 1) - 0.0001f && at(j) < at(j + 1) - 0.0001f) {
      k = j;
      f = at(j);
      break;
    }
  }
  int top = k;
  for (int j = k + 1; j <= right - 1; ++j) {
    if (at(j) >= at(top)) top = j;
  }
  if (top == right - 1) {
    *level = k + 1;
    return true;
  }
  *level = top;
  if (at(top) >= -0.05f * f) {
    for (int c = k; c <= top - 1; ++c) {
      if (at(c) * at(c + 1) < 0) *level = c;
    }
  }
  return true;
}

}  // namespace gantrel
