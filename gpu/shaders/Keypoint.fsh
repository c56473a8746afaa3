// Blob response of the best of eight box-filter sizes: the determinant of
// the Hessian approximated by box sums on the integral image (luminance in
// 0..1, entry (x, y) the sum over columns 0..x and rows 0..y), each second
// derivative normalised by the filter's area. Out: (response, size, 0, 1)
// where a size's response exceeds its Threshold, else 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan1;
uniform float Threshold[8];
uniform float OriginalX;
uniform float OriginalY;

float Integral(vec2 p)
{
  if (p.x < 0.0 || p.y < 0.0) return 0.0;
  return texture2DRect(TexChan1, min(p, vec2(OriginalX - 1.0, OriginalY - 1.0)) + 0.5).r;
}

// Sum over columns x0..x1 and rows y0..y1 (inclusive).
float Box(vec2 c, float x0, float y0, float x1, float y1)
{
  return Integral(c + vec2(x1, y1)) - Integral(c + vec2(x0 - 1.0, y1))
       - Integral(c + vec2(x1, y0 - 1.0)) + Integral(c + vec2(x0 - 1.0, y0 - 1.0));
}

float Response(vec2 c, float size)
{
  float l = size / 3.0;
  float h = floor(size / 2.0);
  float b = l - 1.0;
  // Second derivative across x: lobes of l columns, 2l - 1 rows; weights 1, -2, 1.
  float dxx = Box(c, -h, -b, h, b) - 3.0 * Box(c, -(l - 1.0) / 2.0, -b, (l - 1.0) / 2.0, b);
  float dyy = Box(c, -b, -h, b, h) - 3.0 * Box(c, -b, -(l - 1.0) / 2.0, b, (l - 1.0) / 2.0);
  float dxy = Box(c, 1.0, 1.0, l, l) + Box(c, -l, -l, -1.0, -1.0)
            - Box(c, -l, 1.0, -1.0, l) - Box(c, 1.0, -l, l, -1.0);
  float area = size * size;
  dxx /= area;
  dyy /= area;
  dxy /= area;
  return (dxx * dyy - 0.81 * dxy * dxy) * 100.0;
}

void main()
{
  vec2 c = floor(gl_FragCoord.xy);
  float sizes[8];
  sizes[0] = 9.0; sizes[1] = 15.0; sizes[2] = 21.0; sizes[3] = 27.0;
  sizes[4] = 39.0; sizes[5] = 51.0; sizes[6] = 75.0; sizes[7] = 99.0;
  float best = 0.0;
  float bestSize = 0.0;
  for (int i = 0; i < 8; ++i) {
    float h = floor(sizes[i] / 2.0) + 1.0;
    if (c.x < h || c.y < h || c.x >= OriginalX - h || c.y >= OriginalY - h) continue;
    float r = Response(c, sizes[i]);
    if (r > Threshold[i] && r > 0.0 && r > best) {
      best = r;
      bestSize = sizes[i];
    }
  }
  gl_FragColor = bestSize > 0.0 ? vec4(best, bestSize, 0.0, 1.0) : vec4(0.0);
}
