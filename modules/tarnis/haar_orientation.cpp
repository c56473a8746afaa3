#include "haar_orientation.h"

#include "gpu/bracket.h"
#include "gpu/programs.h"

namespace tarnis {

void CHaarOrientation::Release() {
  CFeature::Release();
  glActiveTexture(GL_TEXTURE0);
  if (sourceTexture) glDeleteTextures(1, &sourceTexture);
  sourceTexture = 0;
  if (gradientProgram) glDeleteProgram(gradientProgram);
  gradientProgram = 0;
  texChan1Location = sizeLocation = modeLocation = negativeLocation = -1;
}

bool CHaarOrientation::BuildShaders(int errLen, char16_t* errBuf) {
  if (!toolkit.BuildWhiteProgram(errLen, errBuf)) return false;
  if (!gpu::BuildProgramFromFiles("FTransform", "GradientDirection", &gradientProgram, true)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  glUseProgram(gradientProgram);
  texChan1Location = glGetUniformLocation(gradientProgram, "TexChan1");
  sizeLocation = glGetUniformLocation(gradientProgram, "Size");
  modeLocation = glGetUniformLocation(gradientProgram, "Mode");
  negativeLocation = glGetUniformLocation(gradientProgram, "Negative");
  glUseProgram(0);
  return toolkit.BuildCopyProgram(errLen, errBuf);
}

void CHaarOrientation::CreateSourceTexture(int bpp, const uint8_t* pixels) {
  glActiveTexture(GL_TEXTURE0);
  if (sourceTexture) glDeleteTextures(1, &sourceTexture);
  sourceTexture = toolkit.CreateFrameTexture(GL_TEXTURE0, width, height, bpp, pixels);
}

void CHaarOrientation::RefillSourceTexture(int bpp, const uint8_t* pixels) {
  toolkit.UpdateFrameTexture(sourceTexture, GL_TEXTURE0, width, height, bpp, pixels);
}

void CHaarOrientation::Render(const TRectangularRegion* region) {
  toolkit.StencilRegion(region, width, height);
  // Colour only: the region just marked in the stencil stays.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  if (copyRegion && region) {
    glEnable(GL_STENCIL_TEST);
    glStencilMask(0);
    glStencilFunc(GL_NOTEQUAL, 1, 1);
    glUseProgram(toolkit.copyProgram);
    glUniform1i(toolkit.texChan0Location, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture);
    gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
  }

  glStencilMask(0);
  glStencilFunc(GL_EQUAL, 1, 1);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, integralTexture);
  glUseProgram(gradientProgram);
  glUniform1i(texChan1Location, 1);
  glUniform1f(sizeLocation, windowSize);
  glUniform1i(modeLocation, gradientMode);
  glUniform1i(negativeLocation, negative);
  gpu::DrawScreenQuad(GL_TEXTURE1, width, height);

  glUseProgram(0);
  glStencilMask(~0u);
  glDisable(GL_STENCIL_TEST);
  glActiveTexture(GL_TEXTURE0);
}

}  // namespace tarnis
