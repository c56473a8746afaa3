// Dominant orientation of a point kept by the maximum pass: Haar responses
// sampled on a disc of radius 6 scale units, weighted by Gaussian[distance],
// summed; the angle of the sum in radians. Out: (response, size, angle, 1).
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan1;
uniform sampler2DRect TexChan2;
uniform float Gaussian[7];

float Integral(vec2 p)
{
  if (p.x < 0.0 || p.y < 0.0) return 0.0;
  return texture2DRect(TexChan1, p + 0.5).r;
}

float Box(vec2 c, float x0, float y0, float x1, float y1)
{
  return Integral(c + vec2(x1, y1)) - Integral(c + vec2(x0 - 1.0, y1))
       - Integral(c + vec2(x1, y0 - 1.0)) + Integral(c + vec2(x0 - 1.0, y0 - 1.0));
}

void main()
{
  vec2 c = floor(gl_FragCoord.xy);
  vec4 point = texture2DRect(TexChan2, c + 0.5);
  if (point.r == 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  float s = max(1.0, floor(point.g * 1.2 / 9.0 + 0.5));
  vec2 sum = vec2(0.0);
  for (int j = -6; j <= 6; ++j) {
    for (int i = -6; i <= 6; ++i) {
      int d2 = i * i + j * j;
      if (d2 >= 36) continue;
      float w = Gaussian[int(floor(sqrt(float(d2)) + 0.5))];
      vec2 p = c + vec2(float(i), float(j)) * s;
      // Haar responses symmetric about the sample, so that a pattern turned by
      // a quarter turns its orientation by exactly as much.
      float dx = Box(p, 1.0, -2.0 * s, 2.0 * s, 2.0 * s) - Box(p, -2.0 * s, -2.0 * s, -1.0, 2.0 * s);
      float dy = Box(p, -2.0 * s, 1.0, 2.0 * s, 2.0 * s) - Box(p, -2.0 * s, -2.0 * s, 2.0 * s, -1.0);
      sum += w * vec2(dx, dy);
    }
  }
  float angle = (sum.x == 0.0 && sum.y == 0.0) ? 0.0 : atan(sum.y, sum.x);
  gl_FragColor = vec4(point.r, point.g, angle, 1.0);
}
