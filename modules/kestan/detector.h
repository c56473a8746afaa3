// The method objects of kestan: keypoints, descriptors, saving, and finding
// saved objects or keypoints again.
#pragma once

#include <cstdint>

#include "catalogue.h"
#include "descriptor_passes.h"
#include "matching.h"
#include "frame/run_args.h"
#include "gpu/list.h"
#include "record.h"
#include "talvix.h"

namespace kestan {

inline constexpr char16_t kFileNameHoldsNul[] = u"The name of the file with descriptors holds a NUL character";

// What one run reads from its inputs besides the settings kept in the object.
struct RunInputs {
  Frame* frame = nullptr;
  int width = 0;
  int height = 0;
  int bpp = 0;
  const uint8_t* pixels = nullptr;
  const TRectangularRegion* region = nullptr;
  bool* saveFlag = nullptr;    // the host's "save descriptors"
  bool* reloadFlag = nullptr;  // the host's "reload file with descriptors"
  DataObject* dataObject = nullptr;
};

class CFeatureDetector {
 public:
  explicit CFeatureDetector(int methodIndex) : method(methodIndex) {}
  virtual ~CFeatureDetector() = default;
  CFeatureDetector(const CFeatureDetector&) = delete;
  CFeatureDetector& operator=(const CFeatureDetector&) = delete;

  // Deletes the GL objects inside a bracket of their own when they exist.
  virtual void Release(void* hostContext);
  bool Run(const frame::RunArgs& a);

  int method;
  FeaturePipeline feature;
  DescriptorStore descriptors;
  TRectangle rectangle{};  // the reference rectangle read from descriptors; after a match the found one
  bool firstRun = true;
  bool usable = true;
  bool glReady = false;
  float thresholds[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  float thresholdCorrection[8] = {};
  int orientationMode = 2;
  bool saveDescriptors = false;
  char16_t fileName[260] = {};
  bool fileNameHoldsNul = false;  // the name given holds a NUL: refused where it is used
  int similarityMethod = 1;
  float maxDifference = 1.5f;
  float minCorrelation = 0.8f;
  int matchesRequired = 1;
  float filtrationPasses = 0.0f;
  float distanceCoefficient = 1.2f;
  float angleDifference = 15.0f;
  int drawingContent = 0;
  bool drawOutputs = true;
  int messageMaxIndex = 255;
  char16_t message[256] = {};

 protected:
  // Inputs by catalogue name: their position in this method's input list.
  bool ReadInputs(const frame::RunArgs& a, RunInputs& in);
  // The bracket: detection and, for every method but the first, descriptors.
  bool RenderFrame(const frame::RunArgs& a, const RunInputs& in);
  void DrawKeypoints(const frame::RunArgs& a);
  bool WriteOutputs(const frame::RunArgs& a, const RunInputs& in);
  // Methods 3 to 8: the saved descriptors, by the loading policy.
  virtual bool LoadDescriptors(const frame::RunArgs& a, const RunInputs& in);
  // Methods 1 and 2, after a save: warns of one with few keypoints.
  void WarnOfFewKeypoints(const frame::RunArgs& a);
  MatchSettings Settings() const;
  // Methods 3 to 8: matching, outputs and drawing after the bracket.
  virtual void WriteMatches(const frame::RunArgs& a);
  void DrawMatches(const frame::RunArgs& a, const DescriptorStore& store);
  void DrawFound(const frame::RunArgs& a, const TRectangle& r, const char16_t* label);
};

// One saved object of the multiple-object search.
class CMultipleListElem : public gpu::CListElem {
 public:
  char16_t fileName[260] = {};
  DataObject* dataObject = nullptr;
  char16_t label[64] = {};
  DescriptorStore descriptors;
  TRectangle foundRectangle{};
  bool found = false;
};

class CMultipleFeatureDetector : public CFeatureDetector {
 public:
  using CFeatureDetector::CFeatureDetector;
  ~CMultipleFeatureDetector() override;
  void Release(void* hostContext) override;

  // Loads every object's own store; each threshold becomes the objects' mean
  // plus its correction. True only when every object loaded.
  bool LoadObjectFiles();
  bool LoadObjectData();

  gpu::CList objects;
  // Keypoints matched by one object and no longer offered to the next; freed
  // once the run has drawn them.
  gpu::CList handedOver;

 protected:
  bool LoadDescriptors(const frame::RunArgs& a, const RunInputs& in) override;
  void WriteMatches(const frame::RunArgs& a) override;

 private:
  void RebuildFromFiles(const frame::RunArgs& a);
  void RebuildFromData(const frame::RunArgs& a);
  void ReadLabels(const frame::RunArgs& a);
  bool LoadObjects(bool fromData);
};

}  // namespace kestan
