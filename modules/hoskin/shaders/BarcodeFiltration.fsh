// Runs at the grid points only: keeps a marked point when at least five of
// its eight neighbours half a grid step away are marked with nearly the same
// direction; writes the point's own value, or 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Size;

void main()
{
  vec2 c = floor(gl_FragCoord.xy) + 0.5;
  vec4 here = texture2DRect(TexChan0, c);
  if (here.g <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  float h = max(floor(Size / 2.0), 1.0);
  int agree = 0;
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      if (i == 0 && j == 0) continue;
      vec4 o = texture2DRect(TexChan0, c + vec2(float(i), float(j)) * h);
      if (o.g > 0.0 && abs(o.r - here.r) < 0.1 && abs(o.b - here.b) < 0.1) agree += 1;
    }
  }
  gl_FragColor = agree >= 5 ? here : vec4(0.0);
}
