// Largest inscribed circle: at a pixel of the object (grey at least
// Threshold) the distance to the nearest pixel outside the object, pixels
// beyond the frame counting as outside; 0 elsewhere. Square rings of growing
// size are searched until no nearer outside pixel can follow. A Limit above
// 0 turns radii beyond it into 0.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform float Threshold;
uniform float OriginalX;
uniform float OriginalY;
uniform float Limit;

bool Inside(vec2 p)
{
  if (p.x < 0.0 || p.y < 0.0 || p.x >= OriginalX || p.y >= OriginalY) return false;
  vec3 c = texture2DRect(TexChan0, p).rgb;
  return dot(c, vec3(0.299, 0.587, 0.114)) >= Threshold;
}

void main()
{
  vec2 p = gl_TexCoord[0].st;
  float radius = 0.0;
  if (Inside(p)) {
    float best = 1e30;
    float most = max(OriginalX, OriginalY) + 1.0;
    for (float r = 1.0; r <= most; r += 1.0) {
      if (r * r >= best) break;
      for (float k = -r; k <= r; k += 1.0) {
        // The four sides of the ring of Chebyshev radius r.
        float d = r * r + k * k;
        if (d < best && (!Inside(p + vec2(k, -r)) || !Inside(p + vec2(k, r)) || !Inside(p + vec2(-r, k)) ||
                         !Inside(p + vec2(r, k))))
          best = d;
      }
    }
    radius = sqrt(best);
    if (Limit > 0.0 && radius > Limit) radius = 0.0;
  }
  gl_FragColor = vec4(radius, radius, radius, 1.0);
}
