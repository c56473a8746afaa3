// The list element that holds one point read back from the GPU.
#pragma once

#include <cstdint>

#include "gpu/list.h"

namespace gpu {

// What the descriptor file stores per point, byte for byte: packed and free
// of pointers, so that its layout does not depend on the build.
#pragma pack(push, 1)
struct KeypointRecord {
  float x;  // pixel column
  float y;  // pixel row in the frame's memory-row order
  float response;     // first channel: non-zero marks a point
  float scale;        // second channel
  float orientation;  // third channel
  float descriptor[64];  // four quarters of 16
  uint8_t room1[12];     // the feature module's
  float stats[8];        // (mean, spread) per quarter
  uint8_t room2[8];      // the feature module's
};
#pragma pack(pop)
static_assert(sizeof(KeypointRecord) == 328);

class CResultListElem : public CListElem {
 public:
  CResultListElem() = default;
  // A point at (x, y) with the first three channels of its result pixel.
  CResultListElem(float x, float y, const float* channels) {
    key.x = x;
    key.y = y;
    key.response = channels[0];
    key.scale = channels[1];
    key.orientation = channels[2];
  }

  KeypointRecord key{};
  float distance = 1e10f;  // best match distance; 1e10 means none yet
  int32_t score = 0;       // greater than 0 means matched
  uint8_t flag = 0;
  CResultListElem* best = nullptr;  // best match in another list
};

}  // namespace gpu
