// Haar gradients from the summed-area texture (TexChan1, entry (x, y) = sum of
// the luminance of columns 0..x and rows 0..y). Window half side
// r = max(1, floor(Size / 2)); dx = right box minus left box (columns
// x+1..x+r against x-r..x-1, rows y-r..y+r), dy = upper minus lower box
// likewise, both divided by one box's area. Pixels past the frame count as 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan1;
uniform float Size;
uniform int Mode;
uniform int Negative;

const float kPi = 3.14159265358979;
// Below this on both axes the gradient counts as none (angle 0).
const float kFlat = 0.0001;
// Rounding in the single-precision integral leaves a dy of either sign along
// vertical edges, and its sign would put the angle at the far end of the
// range. A dy below this share of dx (less than one grey level of angle), or
// within a few roundings of the largest sum read, counts as 0.
const float kAlongX = 1.0 / 128.0;
const float kRounding = 4.0 / 16777216.0;

float Sum(float x, float y)
{
  if (x < 0.0 || y < 0.0) return 0.0;
  return texture2DRect(TexChan1, vec2(x + 0.5, y + 0.5)).r;
}

// Sum over columns x0..x1 and rows y0..y1.
float Box(float x0, float y0, float x1, float y1)
{
  return Sum(x1, y1) - Sum(x0 - 1.0, y1) - Sum(x1, y0 - 1.0) + Sum(x0 - 1.0, y0 - 1.0);
}

void main()
{
  vec2 p = floor(gl_TexCoord[1].st);
  float r = max(1.0, floor(Size / 2.0));
  float area = r * (2.0 * r + 1.0);
  float dx = (Box(p.x + 1.0, p.y - r, p.x + r, p.y + r) - Box(p.x - r, p.y - r, p.x - 1.0, p.y + r)) / area;
  float dy = (Box(p.x - r, p.y + 1.0, p.x + r, p.y + r) - Box(p.x - r, p.y - r, p.x + r, p.y - 1.0)) / area;

  vec3 c = vec3(0.0);
  vec3 used = vec3(1.0);
  if (Mode <= 1) {
    float a = 0.0;
    float noise = Sum(p.x + r, p.y + r) * kRounding / area;
    float ay = abs(dy) < max(kAlongX * abs(dx), noise) ? 0.0 : dy;
    if (abs(dx) >= kFlat || abs(dy) >= kFlat) a = atan(ay, dx);
    if (Mode == 0) {
      // Folded into [0, pi): an angle of pi is the orientation of angle 0.
      if (a < 0.0) a += kPi;
      if (a >= kPi) a -= kPi;
      c = vec3(a / kPi);
    } else {
      if (a < 0.0) a += 2.0 * kPi;
      c = vec3(a / (2.0 * kPi));
    }
  } else if (Mode == 2) {
    c = vec3(0.5 + 0.5 * dx);
  } else if (Mode == 3) {
    c = vec3(0.5 + 0.5 * dy);
  } else {
    vec2 g = Mode == 4 ? vec2(dx, dy) : vec2(dy, dx);
    c = vec3(0.5 + 0.5 * g, 0.0);
    used = vec3(1.0, 1.0, 0.0);
  }
  c = clamp(c, 0.0, 1.0);
  if (Negative != 0) c = mix(c, used - c, used);
  gl_FragColor = vec4(c, 1.0);
}
