// Smallest enclosing circle: at every pixel the largest distance to a pixel
// of the object (grey at least Threshold), 0 when the frame has no object. A
// Limit above 0 turns radii beyond it into 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Threshold;
uniform float OriginalX;
uniform float OriginalY;
uniform float Limit;

void main()
{
  vec2 p = gl_TexCoord[0].st;
  float far = -1.0;
  for (float y = 0.5; y < OriginalY; y += 1.0) {
    for (float x = 0.5; x < OriginalX; x += 1.0) {
      vec2 q = vec2(x, y);
      if (dot(texture2DRect(TexChan0, q).rgb, vec3(0.299, 0.587, 0.114)) >= Threshold) {
        vec2 d = q - p;
        far = max(far, dot(d, d));
      }
    }
  }
  float radius = far < 0.0 ? 0.0 : sqrt(far);
  if (Limit > 0.0 && radius > Limit) radius = 0.0;
  gl_FragColor = vec4(radius, radius, radius, 1.0);
}
