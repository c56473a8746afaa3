// Layer operations used by the filter-style modules: plain and two-unit
// quads, the capability check with the white program, and the colour program.
#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "gpu/programs.h"

namespace gpu {
namespace {

constexpr char16_t kShaderBuildError[] = u"Error during shader building";
constexpr float kCornerX[4] = {-160, 160, 160, -160};
constexpr float kCornerY[4] = {-120, -120, 120, 120};

}  // namespace

void DrawQuadPlain() {
  glFrontFace(GL_CCW);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  for (int i = 0; i < 4; ++i) glVertex3f(kCornerX[i], kCornerY[i], 0);
  glEnd();
}

void DrawQuadMultiTex(GLenum unitA, GLenum unitB, int widthA, int heightA, int widthB, int heightB) {
  const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
  glFrontFace(GL_CCW);
  glBegin(GL_QUADS);
  glNormal3f(0, 0, 1);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2f(unitA, u[i] * static_cast<float>(widthA), v[i] * static_cast<float>(heightA));
    glMultiTexCoord2f(unitB, u[i] * static_cast<float>(widthB), v[i] * static_cast<float>(heightB));
    glVertex3f(kCornerX[i], kCornerY[i], 0);
  }
  glEnd();
}

bool CGLToolkit::CheckGpuCapabilitiesAndDefaultProgram(int errLen, char16_t* errBuf) {
  if (!CheckGpuCapabilities(errLen, errBuf)) return false;
  return BuildWhiteProgram(errLen, errBuf);
}

bool CGLToolkit::BuildColorProgram(int errLen, char16_t* errBuf) {
  if (!BuildProgram(kPassthroughVertexShader, kColorFragmentShader, &colorProgram)) {
    CopyError(kShaderBuildError, errLen, errBuf);
    return false;
  }
  colorLocation = glGetUniformLocation(colorProgram, "Color");
  return true;
}

}  // namespace gpu
