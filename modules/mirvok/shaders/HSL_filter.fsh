// Keeps the pixels whose hue lies within ColorTolerance degrees of the
// reference hue (Color.x) and whose lightness and saturation lie within their
// bounds. Kept pixels become ForegroundColor, the others BackgroundColor; a
// colour whose red is below 0 is not given: a kept pixel then stays as it is,
// another one turns into its lightness as grey.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform vec3 Color;
uniform vec3 ForegroundColor;
uniform vec3 BackgroundColor;
uniform float ColorTolerance;
uniform float MinimalLightness;
uniform float MaximalLightness;
uniform float MinimalSaturation;
uniform float MaximalSaturation;

// Hue in degrees (pure red gives 360), saturation, lightness.
vec3 Hsl(vec3 c)
{
  float mx = max(c.r, max(c.g, c.b));
  float mn = min(c.r, min(c.g, c.b));
  float chroma = mx - mn;
  float l = (mx + mn) * 0.5;
  if (!(l > 0.0 && chroma > 0.0))
    return vec3(0.0, 0.0, l);
  float s = l <= 0.5 ? chroma / (mx + mn) : chroma / (2.0 - mx - mn);
  float h;
  if (c.r == mx)
    h = c.g == mn ? 5.0 + (mx - c.b) / chroma : 1.0 - (mx - c.g) / chroma;
  else if (c.g == mx)
    h = c.b == mn ? 1.0 + (mx - c.r) / chroma : 3.0 - (mx - c.b) / chroma;
  else
    h = c.r == mn ? 3.0 + (mx - c.g) / chroma : 5.0 - (mx - c.r) / chroma;
  return vec3(60.0 * h, s, l);
}

void main()
{
  vec3 texel = texture2DRect(TexChan0, gl_TexCoord[0].st).rgb;
  vec3 hsl = Hsl(texel);
  float d = abs(hsl.x - Color.x);
  d = min(d, 360.0 - d);
  bool keep = d <= ColorTolerance && hsl.z >= MinimalLightness && hsl.z <= MaximalLightness &&
              hsl.y >= MinimalSaturation && hsl.y <= MaximalSaturation;
  vec3 result;
  if (keep)
    result = ForegroundColor.r < 0.0 ? texel : ForegroundColor;
  else
    result = BackgroundColor.r < 0.0 ? vec3(hsl.z) : BackgroundColor;
  gl_FragColor = vec4(result, 1.0);
}
