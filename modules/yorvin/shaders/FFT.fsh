// One butterfly stage along `dimension` (0: rows, 1: columns) on both complex
// pairs of a texel, (r, g) and (b, a): out[p] = in[i1] + w[p] * in[i2], with the
// index pair (i1, i2) and the weight w[p] of position p from the stage tables.
// An inverse flag conjugates the weights of its dimension.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect fft;
uniform sampler2DRect scrambler;
uniform sampler2DRect real_weight;
uniform sampler2DRect imag_weight;
uniform int dimension;
uniform ivec2 inverse;

vec2 Times(vec2 w, vec2 z)
{
  return vec2(w.x * z.x - w.y * z.y, w.x * z.y + w.y * z.x);
}

void main()
{
  vec2 pos = floor(gl_FragCoord.xy);
  bool rows = dimension == 0;
  float p = rows ? pos.x : pos.y;
  vec2 entry = rows ? vec2(p + 0.5, 0.5) : vec2(0.5, p + 0.5);
  vec4 pair = texture2DRect(scrambler, entry);
  vec2 w = vec2(texture2DRect(real_weight, entry).a, texture2DRect(imag_weight, entry).a);
  if ((rows ? inverse.x : inverse.y) != 0)
    w.y = -w.y;
  vec2 at1 = rows ? vec2(pair.r + 0.5, pos.y + 0.5) : vec2(pos.x + 0.5, pair.r + 0.5);
  vec2 at2 = rows ? vec2(pair.a + 0.5, pos.y + 0.5) : vec2(pos.x + 0.5, pair.a + 0.5);
  vec4 a = texture2DRect(fft, at1);
  vec4 b = texture2DRect(fft, at2);
  gl_FragColor = vec4(a.rg + Times(w, b.rg), a.ba + Times(w, b.ba));
}
