// CQualifierMain: the method object of oskvel. Particles of the pattern frame
// become classes; particles of the input frame take the class at the smallest
// feature distance below a limit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "border/border_detection.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace oskvel {

// One traced particle.
struct Particle {
  int label = 0;
  double cx = 0, cy = 0, width = 0, height = 0, angle = 0;
  int meanGrey = 0;
  int boundingArea = 0;
  int centroidX = 0, centroidY = 0;
  float minRadius = 0, maxRadius = 0, rmsRadius = 0;
  int perimeter = 0;
  int area = 0;
  int polarity = 2;  // 0 dark, 1 bright, 2 undecided
  int holeCount = 0;
  bool centroidByte = false;
  double holeSumX = 0, holeSumY = 0;
  double minProduct = 0, maxProduct = 0;
  std::vector<int> holes;  // indices of the particles that are its holes
  float ringMid = 0.1f, ringRms = 0.1f;  // crossings / 10 at the two ring radii
  double holeDistance = 0;
  bool dropped = false;
  bool closed = true;  // the outline closes (no walk out and back)
};

inline constexpr int kFeatureCount = 10;

// One accepted particle: its rectangle and its feature vector.
struct Feature {
  double cx, cy, width, height, angle;
  std::array<float, kFeatureCount> f;  // f1..f10
  uint8_t centroidByte;
};

struct RingPoint {
  int x, y;
};

// Counts the entries of a circle onto a label of the mark frame, an entry
// within 4 pixels in x and under 5 in y of the last counted one ignored. With
// holes, farthest[k] gets the largest squared distance of a counted entry
// from holes[k].
int CountRingCrossings(const Frame* mark, int label, double cx, double cy, double r,
                       const std::vector<RingPoint>* holes = nullptr, std::vector<int64_t>* farthest = nullptr);

class CQualifierMain : public CBorderDetection {
 public:
  explicit CQualifierMain(bool rectangular) : mode(rectangular) { CreateObjectRecords(); }
  ~CQualifierMain() { ReleaseObjectRecords(); }

  bool Run(const frame::RunArgs& a);

  // Finds, traces and measures the particles of frame; features get the
  // accepted ones. False when none was accepted.
  bool DetectParticles(const Frame* frame, const TRectangularRegion* rect, const TRingRegion* ring, int hCount,
                       int vCount, int threshold, bool objectColour, std::vector<Feature>* features);

  const bool mode;  // true: rectangular region, false: ring region

  // Pattern cache keys.
  int cachedTH = -1, cachedTV = -1;
  double cachedT = -1.0;
  int32_t cachedStamp = -1;
  bool cachedColour = false;
  bool patternDirty = true;
  std::vector<Feature> patternFeatures;
  std::vector<Feature> sourceFeatures;
  std::vector<float> distances;

  std::vector<uint8_t> markFrame;  // header + rows, 8 bits per pixel

  // Edge contrast of a pixel of the frame being detected; each row is
  // computed whole the first time a scan line reaches it.
  int ContrastAt(int x, int y) {
    if (x < 0 || y < 0 || x >= contrastWidth || y >= contrastDepth) return -1;
    int16_t* row = contrast.data() + static_cast<size_t>(y) * static_cast<size_t>(contrastWidth);
    if (!contrastRowReady[static_cast<size_t>(y)]) {
      CountEdgeContrastRow(contrastFrame, y, row);
      contrastRowReady[static_cast<size_t>(y)] = 1;
    }
    return row[x];
  }
  std::vector<Particle> particles;

 private:
  const Frame* contrastFrame = nullptr;
  int contrastWidth = 0, contrastDepth = 0;
  std::vector<int16_t> contrast;
  std::vector<uint8_t> contrastRowReady;

  Frame* Mark() { return reinterpret_cast<Frame*>(markFrame.data()); }
  void BeginContrast(const Frame* frame);
  void TraceParticle(const Frame* frame, int label, int steps, int frameWidth, Particle* p);
  void ScanArea(const Frame* frame, const TRectangularRegion* region, size_t index);
  void ScanRings(size_t index);
  void JoinPieces(int objects, int endCount, int lengths[], bool valid[]);
};

}  // namespace oskvel
