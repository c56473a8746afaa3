// Full-resolution binary search, only near what the coarse search found.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform vec2 Shift;
uniform float Step;
uniform float Threshold;
uniform float Score;

float Binary(sampler2DRect t, vec2 p)
{
  return dot(texture2DRect(t, p + 0.5).rgb, vec3(1.0 / 3.0)) >= Threshold ? 1.0 : 0.0;
}

// The fewest samples of the pattern's rarer value (black or white) that make
// a pattern: with fewer, places far from the pattern's own scored 1.
const float kFewestRare = 8.0;

// Correlation of the thresholded pattern and frame on the pattern's grid
// every Step pixels, the pattern turned by angle (counter-clockwise, rows up)
// and scaled about its centre placed at c; below 0 counts as 0.
float Correlate(vec2 c, float angle, float scale)
{
  float cs = cos(angle) * scale;
  float sn = sin(angle) * scale;
  float n = 0.0;
  float sa = 0.0;
  float sb = 0.0;
  float sab = 0.0;
  for (float v = 0.0; v <= 2.0 * Shift.y; v += Step) {
    for (float u = 0.0; u <= 2.0 * Shift.x; u += Step) {
      vec2 d = vec2(u, v) - Shift;
      float a = Binary(TexChan1, vec2(u, v));
      float b = Binary(TexChan0, floor(c + vec2(cs * d.x - sn * d.y, sn * d.x + cs * d.y) + 0.5));
      n += 1.0;
      sa += a;
      sb += b;
      sab += a * b;
    }
  }
  // With a handful of samples of one value the pattern matches wherever those
  // few agree, at a correlation that says nothing: such a pattern scores 0.
  if (min(sa, n - sa) < kFewestRare) return 0.0;
  float spread = (sa - sa * sa / n) * (sb - sb * sb / n);
  return spread > 0.0 ? max((sab - sa * sb / n) / sqrt(spread), 0.0) : 0.0;
}

vec4 Result(float r, float angle, float scale)
{
  return r >= Score ? vec4(r, angle, scale, 1.0) : vec4(0.0);
}
uniform sampler2DRect TexChan3;
uniform vec2 Distance;

vec3 Coarse(vec2 c)
{
  vec3 best = vec3(0.0);
  for (float y = -Distance.y; y <= Distance.y; y += 1.0) {
    for (float x = -Distance.x; x <= Distance.x; x += 1.0) {
      vec3 v = texture2DRect(TexChan3, c + vec2(x, y) + 0.5).rgb;
      if (v.r > best.r) best = v;
    }
  }
  return best;
}

void main()
{
  vec2 c = floor(gl_FragCoord.xy);
  if (Coarse(c).r <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  gl_FragColor = Result(Correlate(c, 0.0, 1.0), 0.0, 1.0);
}
