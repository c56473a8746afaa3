// Keeps a result that no result within HalfSize beats; others become 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform vec2 HalfSize;

void main()
{
  vec2 c = floor(gl_FragCoord.xy) + 0.5;
  vec4 v = texture2DRect(TexChan0, c);
  if (v.r <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  for (float y = -HalfSize.y; y <= HalfSize.y; y += 1.0) {
    for (float x = -HalfSize.x; x <= HalfSize.x; x += 1.0) {
      if (texture2DRect(TexChan0, c + vec2(x, y)).r > v.r) {
        gl_FragColor = vec4(0.0);
        return;
      }
    }
  }
  gl_FragColor = v;
}
