// The running background (TexChan3) moved toward the frame (TexChan0) by
// BackgroundMixRatio.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
uniform sampler2DRect TexChan3;
uniform float BackgroundMixRatio;

void main()
{
  vec2 p = gl_TexCoord[0].st;
  vec3 frame = texture2DRect(TexChan0, p).rgb;
  vec3 background = texture2DRect(TexChan3, p).rgb;
  gl_FragColor = vec4(mix(background, frame, BackgroundMixRatio), 1.0);
}
