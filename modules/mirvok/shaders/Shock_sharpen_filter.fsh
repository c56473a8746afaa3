// Shock sharpening: each channel moves against the sign of its Laplacian by
// Intensity times its gradient, kept within the 4-neighbourhood's range, so
// edges steepen without overshoot.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Intensity;

vec3 At(vec2 p, float dx, float dy)
{
  return texture2DRect(TexChan0, p + vec2(dx, dy)).rgb;
}

float Side(float lap)
{
  // A dead zone keeps flat and linear areas still.
  return lap > 1.0e-4 ? 1.0 : (lap < -1.0e-4 ? -1.0 : 0.0);
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 c = At(p, 0.0, 0.0);
  vec3 e = At(p, 1.0, 0.0), w = At(p, -1.0, 0.0);
  vec3 n = At(p, 0.0, 1.0), s = At(p, 0.0, -1.0);
  vec3 lap = e + w + n + s - 4.0 * c;
  vec3 gx = (e - w) * 0.5, gy = (n - s) * 0.5;
  vec3 grad = sqrt(gx * gx + gy * gy);
  vec3 side = vec3(Side(lap.r), Side(lap.g), Side(lap.b));
  vec3 lo = min(c, min(min(e, w), min(n, s)));
  vec3 hi = max(c, max(max(e, w), max(n, s)));
  gl_FragColor = vec4(clamp(c - Intensity * side * grad, lo, hi), 1.0);
}
