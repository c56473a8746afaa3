// The frame (TexChan0) tinted toward red where it moves (TexChan2 marked):
// by half of HighlightIntensity inside moving areas, and by
// HighlightIntensity times the response of HighlightKernel (row 0 is the row
// above the pixel) along their borders.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan2;
uniform float HighlightKernel[9];
uniform float HighlightIntensity;

float Marked(vec2 p, float dx, float dy)
{
  return texture2DRect(TexChan2, p + vec2(dx, dy)).r > 0.5 ? 1.0 : 0.0;
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  float edge = 0.0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      edge += HighlightKernel[3 * r + c] * Marked(p, float(c - 1), float(1 - r));
  float h = clamp(HighlightIntensity * (0.5 * Marked(p, 0.0, 0.0) + abs(edge)), 0.0, 1.0);
  vec3 frame = texture2DRect(TexChan0, p).rgb;
  gl_FragColor = vec4(mix(frame, vec3(1.0, 0.0, 0.0), h), 1.0);
}
