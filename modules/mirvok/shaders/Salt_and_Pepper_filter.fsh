// Removes isolated marks of the motion picture (TexChan2): a mark stays only
// with at least one marked neighbour of eight; an unmarked pixel becomes
// marked when at least Threshold of its eight neighbours are.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan2;
uniform float Threshold;

float Marked(vec2 p, float dx, float dy)
{
  return texture2DRect(TexChan2, p + vec2(dx, dy)).r > 0.5 ? 1.0 : 0.0;
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  float neighbours = Marked(p, -1.0, -1.0) + Marked(p, 0.0, -1.0) + Marked(p, 1.0, -1.0) + Marked(p, -1.0, 0.0) +
                     Marked(p, 1.0, 0.0) + Marked(p, -1.0, 1.0) + Marked(p, 0.0, 1.0) + Marked(p, 1.0, 1.0);
  float m = Marked(p, 0.0, 0.0) > 0.5 ? (neighbours >= 1.0 ? 1.0 : 0.0) : (neighbours >= Threshold * 8.0 ? 1.0 : 0.0);
  gl_FragColor = vec4(m, m, m, 1.0);
}
