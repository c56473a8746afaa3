// Keeps a response only where it is the largest of its 3 x 3 neighbourhood
// (ties go to the pixel later in row order). Out: the kept pixel or 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan1;

void main()
{
  vec2 c = floor(gl_FragCoord.xy) + 0.5;
  vec4 here = texture2DRect(TexChan1, c);
  if (here.r <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      if (i == 0 && j == 0) continue;
      float other = texture2DRect(TexChan1, c + vec2(float(i), float(j))).r;
      bool later = j > 0 || (j == 0 && i > 0);
      if (other > here.r || (other == here.r && later)) {
        gl_FragColor = vec4(0.0);
        return;
      }
    }
  }
  gl_FragColor = vec4(here.r, here.g, 0.0, 1.0);
}
