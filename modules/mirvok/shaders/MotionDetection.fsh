// A pixel moves when one of its channels differs from the background
// (TexChan3) by more than Threshold and the mask allows it. Without a mask
// (IsMask 0) every pixel is allowed; with one, where the mask (TexChan1,
// stretched over the frame) is brighter than mid-grey. Moving: white.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform sampler2DRect TexChan3;
uniform float Threshold;
uniform int IsMask;

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 d = abs(texture2DRect(TexChan0, p).rgb - texture2DRect(TexChan3, p).rgb);
  vec3 mask = texture2DRect(TexChan1, gl_TexCoord[1].st).rgb;
  bool allowed = IsMask == 0 || max(mask.r, max(mask.g, mask.b)) > 0.5;
  float m = allowed && max(d.r, max(d.g, d.b)) > Threshold ? 1.0 : 0.0;
  gl_FragColor = vec4(m, m, m, 1.0);
}
