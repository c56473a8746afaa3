// The descriptors of ten points: columns 4k..4k+3 of the 40 x 4 target hold
// point k's 4 x 4 patch (see Cell).
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform float Gaussian[15];

float Integral(vec2 p)
{
  if (p.x < 0.0 || p.y < 0.0) return 0.0;
  return texture2DRect(TexChan1, p + 0.5).r;
}

// Sum over columns x0..x1 and rows y0..y1 around c (inclusive).
float Box(vec2 c, float x0, float y0, float x1, float y1)
{
  return Integral(c + vec2(x1, y1)) - Integral(c + vec2(x0 - 1.0, y1))
       - Integral(c + vec2(x1, y0 - 1.0)) + Integral(c + vec2(x0 - 1.0, y0 - 1.0));
}

// One cell (column, row) of the 4 x 4 patch of a point: 5 x 5 samples one
// scale unit apart on the patch turned by the point's orientation, each a
// Haar response pair turned into the patch's axes and weighted by the
// Gaussian of its distance from the centre. Out: sums of du, dv, |du|, |dv|.
vec4 Cell(vec2 centre, float size, float angle, float column, float row)
{
  float s = size * 1.2 / 9.0;
  float h = max(1.0, floor(s + 0.5));
  float area = 2.0 * h * h + h;
  float c = cos(angle);
  float n = sin(angle);
  vec4 sum = vec4(0.0);
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 5; ++i) {
      float u = column * 5.0 + float(i) - 9.5;
      float v = row * 5.0 + float(j) - 9.5;
      vec2 p = floor(centre + s * vec2(c * u - n * v, n * u + c * v) + 0.5);
      // Symmetric about the sample, so a quarter turn of the picture turns
      // the responses by exactly as much.
      float dx = (Box(p, 1.0, -h, h, h) - Box(p, -h, -h, -1.0, h)) / area;
      float dy = (Box(p, -h, 1.0, h, h) - Box(p, -h, -h, h, -1.0)) / area;
      float w = Gaussian[int(min(floor(sqrt(u * u + v * v) + 0.5), 14.0))];
      float du = c * dx + n * dy;
      float dv = c * dy - n * dx;
      sum += w * vec4(du, dv, abs(du), abs(dv));
    }
  }
  return sum / 25.0;
}
uniform float PosX[10];
uniform float PosY[10];
uniform float Size[10];
uniform float Angle[10];

void main()
{
  vec2 cell = floor(gl_FragCoord.xy);
  int k = int(floor(cell.x / 4.0));
  gl_FragColor = Cell(vec2(PosX[k], PosY[k]), Size[k], Angle[k], cell.x - 4.0 * float(k), cell.y);
}
