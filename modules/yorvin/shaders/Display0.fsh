// The magnitude of the first complex pair (r, g) of the spectrum texel under
// the fragment, times `color`; frequency (u, v) at texel column u, row v.
#extension GL_ARB_texture_rectangle : enable
uniform sampler2DRect data;
uniform vec2 size;
uniform vec3 color;

void main()
{
  vec2 texel = min(floor(gl_TexCoord[0].st), size - 1.0) + 0.5;
  vec4 t = texture2DRect(data, texel);
  gl_FragColor = vec4(length(t.rg) * color, 1.0);
}
