// Texture coordinates of units 0 and 1 passed on; fixed-function transform.
void main()
{
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_TexCoord[1] = gl_MultiTexCoord1;
  gl_Position = ftransform();
}
