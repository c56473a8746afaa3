// The keypoint pipeline with its descriptor passes: a 64-value descriptor
// per keypoint, ten keypoints per draw through Descriptor10 and one per draw
// through Descriptor, each draw read back at once.
#pragma once

#include <GL/glew.h>

#include <vector>

#include "gpu/feature.h"
#include "gpu/result_elem.h"

namespace kestan {

// exp(-i^2 / 72), i = 0..14.
extern const float kDescriptorWeights[15];

class FeaturePipeline : public gpu::CFeature {
 public:
  enum Pass { kGroup, kSingle };

  void Release() override;

  // A float RGBA target of the size on unit 2 with its own framebuffer,
  // replacing the pass's previous one.
  void CreateDescriptorTarget(Pass pass, int w, int h);
  // FTransform with Descriptor10 (group) or Descriptor (single); the seven
  // uniform locations. "Error during shader building" on failure.
  bool BuildDescriptorProgram(Pass pass, int errLen, char16_t* errBuf);
  void SplitKeypointCount(int* groups, int* rest) const;
  void UploadDescriptorFrame(int w, int h, int bpp, const uint8_t* pixels);
  // The first 10 x groups keypoints; the list's cursor is left on the
  // first keypoint after them.
  void DescribeKeypointGroups(int groups);
  void DescribeKeypoints();
  // From the cursor's keypoint (continueFlag) or the first keypoint, to the end.
  void DescribeRemainingKeypoints(bool continueFlag, int rest);

  // How many draws each pass made since creation (for the run's tests).
  int groupDraws = 0;
  int singleDraws = 0;

 private:
  struct Target {
    GLuint texture = 0;
    GLuint framebuffer = 0;
    int width = 0;
    int height = 0;
    GLuint program = 0;
    GLint locations[7] = {-1, -1, -1, -1, -1, -1, -1};
    std::vector<float> readBack;
  };
  enum Location { kTexChan0, kTexChan1, kPosX, kPosY, kSize, kAngle, kGaussian };

  void Begin(Target& t);
  void End();
  void DescribeSingle(gpu::CResultListElem& k);

  Target targets_[2];
};

}  // namespace kestan
