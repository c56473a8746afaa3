// A pixel moves when one of its channels differs from the background
// (TexChan3) by more than Threshold and the mask (TexChan1, at the same pixel)
// is brighter than mid-grey there. Moving pixels take Color; the others stay
// as the frame (TexChan0), or turn black when Binary is set.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan1;
uniform sampler2DRect TexChan3;
uniform float Threshold;
uniform vec3 Color;
uniform int Binary;

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 frame = texture2DRect(TexChan0, p).rgb;
  vec3 d = abs(frame - texture2DRect(TexChan3, p).rgb);
  vec3 mask = texture2DRect(TexChan1, p).rgb;
  bool moving = max(mask.r, max(mask.g, mask.b)) > 0.5 && max(d.r, max(d.g, d.b)) > Threshold;
  vec3 rest = Binary != 0 ? vec3(0.0) : frame;
  gl_FragColor = vec4(moving ? Color : rest, 1.0);
}
