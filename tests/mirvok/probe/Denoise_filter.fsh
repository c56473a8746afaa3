// Probe: each pass adds one grey level, so the output counts the passes.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect TexChan0;
void main()
{
  vec3 c = texture2DRect(TexChan0, gl_TexCoord[0].st).rgb;
  gl_FragColor = vec4(c + 1.0 / 255.0, 1.0);
}
