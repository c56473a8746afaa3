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

void main()
{
  vec2 c = floor(gl_FragCoord.xy) - floor(vec2(PatternSizeX, PatternSizeY) / 2.0);
  float sf = 0.0;
  float sff = 0.0;
  float sfp = 0.0;
  for (float y = 0.0; y < PatternSizeY; y += 1.0) {
    for (float x = 0.0; x < PatternSizeX; x += 1.0) {
      float f = Grey(TexChan0, c + vec2(x, y));
      sf += f;
      sff += f * f;
      sfp += f * (Grey(TexChan1, vec2(x, y)) - PatternMean);
    }
  }
  float spread = (sff - sf * sf / (PatternSizeX * PatternSizeY)) * PatternNormPow2;
  float r = spread > 0.0 ? sfp / sqrt(spread) : 0.0;
  gl_FragColor = r >= Score ? vec4(r, 0.0, 1.0, 1.0) : vec4(0.0);
}
