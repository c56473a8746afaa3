// 2D vectors and 3x3 matrices in single precision. Matrices are row-major and
// act on column vectors (x, y, 1); every operation applies after the
// transform already in M (M <- Op * M), so Identity, Translate(-c), Rotate(a)
// maps p to R(a)(p - c).
#include <cmath>

#include "talvix.h"

namespace {

void Premultiply(FloatMatrix3x3* m, const float op[3][3]) {
  FloatMatrix3x3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = op[i][0] * m->m[0][j] + op[i][1] * m->m[1][j] + op[i][2] * m->m[2][j];
  *m = r;
}

}  // namespace

extern "C" {

FloatVec2 InitFloatVec2(float x, float y) { return FloatVec2{x, y}; }

FloatVec2 FloatVec2Add(FloatVec2 a, FloatVec2 b) { return FloatVec2{a.x + b.x, a.y + b.y}; }

FloatVec2 FloatVec2Transform3x3(const FloatMatrix3x3* m, FloatVec2 v) {
  if (!m) return v;
  return FloatVec2{m->m[0][0] * v.x + m->m[0][1] * v.y + m->m[0][2], m->m[1][0] * v.x + m->m[1][1] * v.y + m->m[1][2]};
}

void FloatMatrix3x3Identity(FloatMatrix3x3* m) {
  if (m) *m = FloatMatrix3x3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

void FloatMatrix3x3Rotate(FloatMatrix3x3* m, float radians) {
  if (!m) return;
  float c = std::cos(radians), s = std::sin(radians);
  const float op[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
  Premultiply(m, op);
}

void FloatMatrix3x3Translate(FloatMatrix3x3* m, float tx, float ty) {
  if (!m) return;
  const float op[3][3] = {{1, 0, tx}, {0, 1, ty}, {0, 0, 1}};
  Premultiply(m, op);
}

}  // extern "C"
