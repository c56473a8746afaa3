// Full-resolution binary search near the coarse results, finer angles and scales about the coarse ones.
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
uniform float UAngleStart;
uniform float UAngleSpan;
uniform float UAngleRange;
uniform float UAngleStep1;
uniform float UAngleStep2;
uniform float UScaleStart;
uniform float UScaleRange;
uniform float UScaleStep1;
uniform float UScaleStep2;

// A search whose last coarse angle one more step carries round the turn
// wraps its angles; short of that they keep to the range asked for.
bool WholeTurn()
{
  return UAngleSpan + UAngleStep1 > 6.2831853;
}

// Within the searched angles, up to the rounding of their single-precision sums.
bool Searched(float a)
{
  return WholeTurn() || (a >= UAngleStart - 1e-4 && a <= UAngleStart + UAngleRange + 1e-4);
}

// The best coarse pose at c: the coarse result came from a grid point up to
// Distance away, where a turned or scaled pose may fit better than the true
// one, so the neighbouring coarse angles and scales are tried here, climbing
// while one scores higher. The climb stays within the searched angles and
// scales (angles wrap when the search covers a whole turn).
vec3 Climb(vec2 c, vec3 coarse)
{
  float lowScale = UScaleStart;
  float highScale = UScaleStart + UScaleRange;
  float scaleReach = UScaleStep1 > 0.0 ? 1.0 : 0.0;
  float angleReach = UAngleStep1 > 0.0 ? 1.0 : 0.0;
  vec3 at = vec3(Correlate(c, coarse.g, coarse.b), coarse.g, coarse.b);
  for (int i = 0; i < 256; ++i) {
    vec3 next = at;
    for (float j = -scaleReach; j <= scaleReach; j += 1.0) {
      float s = clamp(at.b + j * UScaleStep1, lowScale, highScale);
      for (float k = -angleReach; k <= angleReach; k += 1.0) {
        float a = at.g + k * UAngleStep1;
        if (!Searched(a)) continue;
        if (s == at.b && k == 0.0) continue;
        float r = Correlate(c, a, s);
        if (r > next.r) next = vec3(r, a, s);
      }
    }
    if (next.r <= at.r) break;
    at = next;
  }
  return at;
}

void main()
{
  vec2 c = floor(gl_FragCoord.xy);
  vec3 coarse = Coarse(c);
  if (coarse.r <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  vec3 best = Climb(c, coarse);
  vec3 centre = best;
  float angleSteps = UAngleStep2 > 0.0 ? floor(UAngleStep1 / UAngleStep2) : 0.0;
  float scaleSteps = UScaleStep2 > 0.0 ? floor(UScaleStep1 / UScaleStep2) : 0.0;
  for (float j = -scaleSteps; j <= scaleSteps; j += 1.0) {
    float s = clamp(centre.b + j * UScaleStep2, UScaleStart, UScaleStart + UScaleRange);
    for (float k = -angleSteps; k <= angleSteps; k += 1.0) {
      float a = centre.g + k * UAngleStep2;
      if (!Searched(a)) continue;
      float r = Correlate(c, a, s);
      if (r > best.r) best = vec3(r, a, s);
    }
  }
  gl_FragColor = Result(best.r, best.g, best.b);
}
