// Grey levels and local thresholding. The grey of a pixel is its luminance
// with each channel's weight scaled by (1 + its sensitivity), clipped to 0..1.
// Levels 0: white where the grey reaches Threshold. Levels 1: white where the
// grey reaches the local brightness less Sensitivity; the local brightness is
// the mean grey of a 5 x 5 grid of samples spaced a quarter of ThresholdArea
// apart (at least one pixel). Levels n >= 2: the grey quantised to n levels.
// Negative (non-zero) inverts the result.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float ColorRed;
uniform float ColorGreen;
uniform float ColorBlue;
uniform int Levels;
uniform float Threshold;
uniform int ThresholdArea;
uniform float Sensitivity;
uniform int Negative;

float Grey(vec2 p)
{
  vec3 w = vec3(0.299 * (1.0 + ColorRed), 0.587 * (1.0 + ColorGreen), 0.114 * (1.0 + ColorBlue));
  return clamp(dot(texture2DRect(TexChan0, p).rgb, w), 0.0, 1.0);
}

void main()
{
  // Pixel centres exactly, so that offsets land on whole pixels.
  vec2 p = floor(gl_TexCoord[0].st) + 0.5;
  float g = Grey(p);
  float v;
  if (Levels == 0) {
    v = g >= Threshold ? 1.0 : 0.0;
  } else if (Levels == 1) {
    float spacing = float(ThresholdArea / 4 > 1 ? ThresholdArea / 4 : 1);
    float sum = 0.0;
    for (int j = -2; j <= 2; ++j)
      for (int i = -2; i <= 2; ++i)
        sum += Grey(p + vec2(float(i), float(j)) * spacing);
    v = g >= sum / 25.0 - Sensitivity ? 1.0 : 0.0;
  } else {
    float n = float(Levels);
    v = min(floor(g * n), n - 1.0) / (n - 1.0);
  }
  if (Negative != 0)
    v = 1.0 - v;
  gl_FragColor = vec4(v, v, v, 1.0);
}
