// Marks pixels whose window shows strong stripes of one direction. The
// gradients at 5 x 5 points spread over the window (Size pixels to each
// side) add up to a structure tensor; enough gradient energy (above
// Sensitivity) and a coherent direction mark the pixel (G = 1). R and B carry
// the unit direction along the bars, d, as (d + 1) x 128 / 255, with the sign
// that makes d.x + d.y >= 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform float Size;
uniform float Sensitivity;

float Grey(vec2 p)
{
  return dot(texture2DRect(TexChan0, p).rgb, vec3(0.299, 0.587, 0.114));
}

void main()
{
  vec2 c = floor(gl_FragCoord.xy) + 0.5;
  float h = max(floor(Size / 2.0), 1.0);
  float jxx = 0.0;
  float jyy = 0.0;
  float jxy = 0.0;
  for (int j = -2; j <= 2; ++j) {
    for (int i = -2; i <= 2; ++i) {
      vec2 p = c + vec2(float(i), float(j)) * h;
      float gx = Grey(p + vec2(1.0, 0.0)) - Grey(p - vec2(1.0, 0.0));
      float gy = Grey(p + vec2(0.0, 1.0)) - Grey(p - vec2(0.0, 1.0));
      jxx += gx * gx;
      jyy += gy * gy;
      jxy += gx * gy;
    }
  }
  float sum = jxx + jyy;
  float energy = sum / 25.0;
  float diff = jxx - jyy;
  float coherence = sum > 0.0 ? (diff * diff + 4.0 * jxy * jxy) / (sum * sum) : 0.0;
  if (energy <= Sensitivity || coherence < 0.7) {
    gl_FragColor = vec4(0.0);
    return;
  }
  // The gradient's angle is theta; the bars run across it.
  float theta = 0.5 * atan(2.0 * jxy, diff);
  vec2 d = vec2(-sin(theta), cos(theta));
  if (d.x + d.y < 0.0) d = -d;
  gl_FragColor = vec4((d.x + 1.0) * 128.0 / 255.0, 1.0, (d.y + 1.0) * 128.0 / 255.0, 1.0);
}
