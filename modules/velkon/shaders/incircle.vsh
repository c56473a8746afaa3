// Texture coordinates of unit 0 passed on; fixed-function transform.
void main()
{
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_Position = ftransform();
}
