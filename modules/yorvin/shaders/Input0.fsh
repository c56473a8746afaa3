// The loaded input before a transform: the real part of the first pair as grey.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect data;

void main()
{
  float v = texture2DRect(data, gl_TexCoord[0].st).r;
  gl_FragColor = vec4(v, v, v, 1.0);
}
