// The descriptor file and its data-object form: tag 22, version 1, the
// 80-byte header and one 328-byte record per keypoint.
#pragma once

#include "gpu/list.h"
#include "record.h"
#include "talvix_types.h"

namespace kestan {

inline constexpr int32_t kFileTag = 22;
inline constexpr int32_t kFileVersion = 1;
inline constexpr int kHeadBytes = 8 + static_cast<int>(sizeof(DescriptorHeader));
inline constexpr int kRecordBytes = static_cast<int>(sizeof(FeatureRecord));

// What a load gives the detector besides the records.
struct LoadedSettings {
  int orientationMode = 2;
  float thresholds[8] = {};
  TRectangle reference{};
};

// The readers fill store.saved (records read before a failure stay there).
bool LoadDescriptorFile(int errLen, char16_t* errBuf, const char16_t* path, DescriptorStore& store,
                        LoadedSettings& out);
bool LoadDescriptorData(int errLen, char16_t* errBuf, const DataBlock* block, DescriptorStore& store,
                        LoadedSettings& out);

// What a save writes besides the keypoints.
struct SaveSettings {
  int orientationMode = 2;
  const float* thresholds = nullptr;  // 8
  const TRectangularRegion* region = nullptr;  // null: the whole frame
  int frameWidth = 0;
  int frameHeight = 0;
  bool refuseEmpty = false;  // a save without keypoints fails (after the region's check)
};

// The writers also store the computed offsets and statistics into the
// keypoints' own records.
bool SaveDescriptorFile(int errLen, char16_t* errBuf, const char16_t* path, gpu::CList& keypoints,
                        const SaveSettings& s);
// slot: the data object's storage (the block pointer), created or grown here.
bool SaveDescriptorData(int errLen, char16_t* errBuf, DataObject* slot, gpu::CList& keypoints, const SaveSettings& s);

}  // namespace kestan
