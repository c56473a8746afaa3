// Probe: every fragment the filter pass writes is the inverted source.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
void main()
{
  vec3 c = texture2DRect(TexChan0, gl_TexCoord[0].st).rgb;
  gl_FragColor = vec4(1.0 - c, 1.0);
}
