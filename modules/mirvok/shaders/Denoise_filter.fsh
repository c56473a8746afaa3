// One step of regularised curvature flow per channel: edges move along their
// level lines only, flat noise diffuses. The uniforms hold the differences'
// denominators in a frame normalised to side 1 (step = 1 / larger side); the
// time step h^2 / 6 makes one pass the same on every frame size.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Step_mul_2;
uniform float Step_mul_Step;
uniform float Step_mul_Step_mul_4;
uniform float Step_mul_Step_div_6;

vec3 At(vec2 p, float dx, float dy)
{
  return texture2DRect(TexChan0, p + vec2(dx, dy)).rgb;
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 c = At(p, 0.0, 0.0);
  vec3 e = At(p, 1.0, 0.0), w = At(p, -1.0, 0.0);
  vec3 n = At(p, 0.0, 1.0), s = At(p, 0.0, -1.0);
  vec3 ne = At(p, 1.0, 1.0), nw = At(p, -1.0, 1.0);
  vec3 se = At(p, 1.0, -1.0), sw = At(p, -1.0, -1.0);
  vec3 ux = (e - w) / Step_mul_2;
  vec3 uy = (n - s) / Step_mul_2;
  vec3 uxx = (e - 2.0 * c + w) / Step_mul_Step;
  vec3 uyy = (n - 2.0 * c + s) / Step_mul_Step;
  vec3 uxy = (ne - nw - se + sw) / Step_mul_Step_mul_4;
  // Regularisation: 1e-4 squared intensity per pixel.
  float eps = 1.0e-4 / Step_mul_Step;
  vec3 num = uxx * uy * uy - 2.0 * ux * uy * uxy + uyy * ux * ux + eps * (uxx + uyy);
  vec3 den = ux * ux + uy * uy + eps;
  gl_FragColor = vec4(c + Step_mul_Step_div_6 * num / den, 1.0);
}
