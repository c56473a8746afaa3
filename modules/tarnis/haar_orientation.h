// The summed-area pipeline of the keypoint passes, drawn through one program
// of its own instead: GradientDirection turns the summed-area texture into a
// Haar gradient picture in the host's framebuffer, confined to a region when
// one is given.
#pragma once

#include <GL/glew.h>

#include "gpu/feature.h"

namespace tarnis {

class CHaarOrientation : public gpu::CFeature {
 public:
  // Base objects, then the source texture and the gradient program.
  void Release() override;
  // The white program (once), GradientDirection with its locations, the copy
  // program.
  bool BuildShaders(int errLen, char16_t* errBuf) override;

  // The source texture on unit 0 from the frame, at the current size.
  void CreateSourceTexture(int bpp, const uint8_t* pixels);
  void RefillSourceTexture(int bpp, const uint8_t* pixels);
  // Into the current (host) framebuffer.
  void Render(const TRectangularRegion* region);

  GLuint sourceTexture = 0;
  GLuint gradientProgram = 0;
  GLint texChan1Location = -1;
  GLint sizeLocation = -1;
  GLint modeLocation = -1;
  GLint negativeLocation = -1;
  float windowSize = 5.0f;
  int gradientMode = 0;
  int negative = 0;
  bool copyRegion = false;
};

}  // namespace tarnis
