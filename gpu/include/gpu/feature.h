// The keypoint pipeline: the frame's luminance summed on the CPU into a float
// integral image, uploaded, and run through the pass programs Keypoint,
// Maximum and (by mode) Orientation or OrientationSegment between two float
// render targets; every read-back pixel whose first channel is not 0 becomes
// a CResultListElem of `results`. Everything runs inside the host bracket.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "gpu/gl_toolkit.h"
#include "gpu/list.h"
#include "talvix_types.h"

namespace gpu {

// Weights of the orientation passes: e^(-k^2/12.5) for k = 0..6 (sigma 2.5).
extern const float kGaussianWeights[7];

// The float integral image of a frame's luminance, row 0 first: each row's
// running sum of luminances (each rounded to float) plus the previous row's
// entry. 8-bit rows are read with the given stride; 24 and 32-bit pixels are
// B, G, R(, A) weighted by the BT.601 luma weights over 255. False for any
// other depth (the image is left as it was).
bool ComputeIntegralImage(int width, int height, int bpp, const uint8_t* pixels, size_t stride, float* out);

class CFeature {
 public:
  enum Uniform {
    kKeypointTexChan1,
    kKeypointThreshold,
    kKeypointOriginalX,
    kKeypointOriginalY,
    kMaximumTexChan1,
    kOrientationTexChan1,
    kOrientationTexChan2,
    kOrientationGaussian,
    kSegmentTexChan1,
    kSegmentTexChan2,
    kSegmentGaussian,
    kUniformCount = 25,  // the rest belong to derived classes
  };

  CFeature();
  // Frees the CPU buffers and the results (GL objects go only through Release,
  // inside a bracket).
  virtual ~CFeature();
  CFeature(const CFeature&) = delete;
  CFeature& operator=(const CFeature&) = delete;

  virtual void Release();
  virtual void Resize(int width, int height, int bpp);
  virtual bool BuildShaders(int errLen, char16_t* errBuf);
  // Reads the target attached last into the results; answers width x height.
  virtual unsigned ReadResults();

  // Resize and BuildShaders (a derived class's); keeps and answers the latter.
  bool Setup(int width, int height, int bpp, int errLen, char16_t* errBuf);
  // Stores params and mode, resizes on a new size and uploads the frame's
  // integral image. Nothing for a size below 1.
  void UploadIntegralImage(int width, int height, int bpp, const uint8_t* pixels, const float params[8], int mode);
  // The passes (restricted to the region when one is given, which also clears
  // the targets), the read-back and the end of rendering.
  void Render(const TRectangularRegion* region);

  CGLToolkit toolkit;
  int width = 0;
  int height = 0;
  int32_t room[4] = {};  // derived classes'
  uint8_t roomFlag = 1;
  float params[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  int mode = 2;  // 0 none, 1 dominant orientation, 2 dominant orientation in a sector
  CList results;
  std::unique_ptr<float[]> readBuffer;  // 4 floats per pixel
  int readCount = 0;
  std::vector<uint8_t> extraBuffers[2];  // derived classes', freed by Release
  std::unique_ptr<float[]> integral;
  GLuint integralTexture = 0;
  GLuint targetA = 0;
  GLuint targetB = 0;
  GLuint frameTexture = 0;
  bool setupResult = false;
  GLuint keypointProgram = 0;
  GLuint maximumProgram = 0;
  GLuint orientationProgram = 0;
  GLuint orientationSegmentProgram = 0;
  GLuint extraFramebuffers[2] = {};
  GLuint extraTextures[2] = {};
  uint8_t roomByte = 0;
  GLuint extraPrograms[2] = {};
  GLint uniforms[kUniformCount];
};

}  // namespace gpu
