// Full-resolution search, only near what the coarse search found.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform sampler2DRect TexChan2;
uniform float PatternMapLen;
uniform vec2 Shift;
uniform float PatternMean;
uniform float PatternNormPow2;
uniform float Score;

float Grey(sampler2DRect t, vec2 p)
{
  return dot(texture2DRect(t, p + 0.5).rgb, vec3(1.0 / 3.0));
}

const float kFlat = 0.25 / 65025.0;

// Normalised cross-correlation of the sample points, the pattern turned by
// angle (counter-clockwise, rows up) and scaled about its centre placed at c.
float Correlate(vec2 c, float angle, float scale)
{
  float cs = cos(angle) * scale;
  float sn = sin(angle) * scale;
  int n = int(PatternMapLen);
  // Sums of the window's greys less its centre's: raw sums of squares cancel
  // in single precision on smooth windows and gave scores above 1.
  float k = Grey(TexChan0, floor(c + 0.5));
  float sf = 0.0;
  float sff = 0.0;
  float sfp = 0.0;
  for (int i = 0; i < 4096; ++i) {
    if (i >= n) break;
    vec2 pt = texture2DRect(TexChan2, vec2(float(i) + 0.5, 0.5)).xy;
    vec2 d = pt - Shift;
    float f = Grey(TexChan0, floor(c + vec2(cs * d.x - sn * d.y, sn * d.x + cs * d.y) + 0.5)) - k;
    sf += f;
    sff += f * f;
    sfp += f * (Grey(TexChan1, pt) - PatternMean);
  }
  float count = max(float(n), 1.0);
  float spread = sff - sf * sf / count;
  // A window, or a pattern, with less spread than half a grey level has no
  // texture to match (a uniform pattern scored 1 everywhere).
  return spread > count * kFlat && PatternNormPow2 > count * kFlat ? sfp / sqrt(spread * PatternNormPow2) : 0.0;
}

vec4 Result(float r, float angle, float scale)
{
  return r >= Score ? vec4(r, angle, scale, 1.0) : vec4(0.0);
}
uniform sampler2DRect TexChan3;
uniform vec2 Distance;

// The best coarse result within Distance of c: (score, angle, scale); score 0 when none.
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
