// Morphological shock: where a channel's Laplacian is negative (the bright
// side of an edge) it moves toward the 4-neighbourhood's maximum, where it is
// positive toward the minimum, by Intensity.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Intensity;

vec3 At(vec2 p, float dx, float dy)
{
  return texture2DRect(TexChan0, p + vec2(dx, dy)).rgb;
}

float Target(float c, float lap, float lo, float hi)
{
  return lap < -1.0e-4 ? hi : (lap > 1.0e-4 ? lo : c);
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 c = At(p, 0.0, 0.0);
  vec3 e = At(p, 1.0, 0.0), w = At(p, -1.0, 0.0);
  vec3 n = At(p, 0.0, 1.0), s = At(p, 0.0, -1.0);
  vec3 lap = e + w + n + s - 4.0 * c;
  vec3 lo = min(c, min(min(e, w), min(n, s)));
  vec3 hi = max(c, max(max(e, w), max(n, s)));
  vec3 t = vec3(Target(c.r, lap.r, lo.r, hi.r), Target(c.g, lap.g, lo.g, hi.g), Target(c.b, lap.b, lo.b, hi.b));
  gl_FragColor = vec4(mix(c, t, Intensity), 1.0);
}
