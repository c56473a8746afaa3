// Normalised cross-correlation over every pattern pixel, unturned.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform float PatternSizeX;
uniform float PatternSizeY;
uniform float PatternMean;
uniform float PatternNormPow2;
uniform float Score;

float Grey(sampler2DRect t, vec2 p)
{
  return dot(texture2DRect(t, p + 0.5).rgb, vec3(1.0 / 3.0));
}

const float kFlat = 0.25 / 65025.0;

void main()
{
  vec2 c = floor(gl_FragCoord.xy) - floor(vec2(PatternSizeX, PatternSizeY) / 2.0);
  // Sums of the window's greys less one of them: raw sums of squares cancel
  // in single precision on smooth windows and gave scores above 1.
  float k = Grey(TexChan0, c + floor(vec2(PatternSizeX, PatternSizeY) / 2.0));
  float sf = 0.0;
  float sff = 0.0;
  float sfp = 0.0;
  for (float y = 0.0; y < PatternSizeY; y += 1.0) {
    for (float x = 0.0; x < PatternSizeX; x += 1.0) {
      float f = Grey(TexChan0, c + vec2(x, y)) - k;
      sf += f;
      sff += f * f;
      sfp += f * (Grey(TexChan1, vec2(x, y)) - PatternMean);
    }
  }
  float n = PatternSizeX * PatternSizeY;
  float spread = sff - sf * sf / n;
  // A window with less spread than half a grey level has no texture to match.
  float r = spread > n * kFlat && PatternNormPow2 > n * kFlat ? sfp / sqrt(spread * PatternNormPow2) : 0.0;
  gl_FragColor = r >= Score ? vec4(r, 0.0, 1.0, 1.0) : vec4(0.0);
}
