// The method objects of the module: CShapesMain on the border tracer, one
// derived class per method (the calipers share one, told apart by a flag).
// Work buffers are made on first need, grow, and live with the object.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "border/border_detection.h"
#include "contour/circle_search.h"
#include "contour/features.h"
#include "contour/line_segments.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace forvik {

using frame::RunArgs;

inline constexpr std::u16string_view kNoSourceFrame = u"error: Cannot get source frame";
inline constexpr std::u16string_view kNoBoundaryPoints = u"error: No boundary points detected";

// An 8-bit frame the module owns (header and rows in one block).
class WorkFrame {
 public:
  // Re-created when the size differs; the pixels are left as they were when
  // the size is kept.
  void Ensure(int width, int depth);
  void Fill(uint8_t value);
  Frame* get() { return store_.empty() ? nullptr : reinterpret_cast<Frame*>(store_.data()); }
  int width() const { return width_; }
  int depth() const { return depth_; }

 private:
  std::vector<uint64_t> store_;  // 8-byte units keep the header aligned
  int width_ = 0;
  int depth_ = 0;
};

class CShapesMain : public CBorderDetection {
 public:
  CShapesMain() = default;
  virtual ~CShapesMain() = default;
  CShapesMain(const CShapesMain&) = delete;
  CShapesMain& operator=(const CShapesMain&) = delete;

  virtual bool Run(const RunArgs& args) = 0;

  // ---- Scan state of the threshold scans --------------------------------------
  int foundX = -1;
  int foundY = -1;
  bool objectBright = false;  // false until a run decides the polarity
  int threshold = 0;
  // Per-thread crossings of the indexed scan callback, and ray ends (72 per
  // thread) of the threshold circle search.
  std::vector<int> threadFoundX, threadFoundY;
  std::vector<float> rayX, rayY;
  // Guards the result lists shared by a parallel loop.
  std::mutex lock;

  // ---- Work frames ---------------------------------------------------------------
  WorkFrame patternMark;  // second work frame (geometric matching)
  WorkFrame mark;         // labels of the border tracer

  int endMarkRadius = 2;  // end circles of segments and found points, centre cross arms

  // ---- Contours ----------------------------------------------------------------
  PointList mainList;  // every second traced pixel
  PointList list32;    // every 32nd traced pixel
  PointList subList;   // every 8th, 4th or 2nd entry of the main list
  std::vector<LineEq> bisectors;
  std::vector<CircleCandidate> candidates;
  std::vector<LineSegment> segments;

  // Border detection in the region into the mark frame; false when no
  // border was found. Fills lengths, valid and open per object.
  struct Borders {
    int lastContour = -1;
    int lengths[kLabelSlots] = {};
    bool valid[kLabelSlots] = {};
    bool open[kLabelSlots] = {};
  };
  bool FindBorders(const Frame* source, const TRectangularRegion* region, void* ctx, int threshold, int hLines,
                   int vLines, bool show, Borders* out);

  // Follows the border of `label` from (x, y), relabelling each visited
  // pixel (the start first) to the current marker; every second step pixel
  // goes to the main list, every 32nd to the 32-list (when given). Answers
  // the last visited pixel; the tracer's end records of `label` take the
  // marker.
  void TraceBorder(int label, int x, int y, PointList* main, PointList* every32, int* lastX, int* lastY);

  // The circles, segments (short ones pruned) and corners of the contour
  // traced from the start pixel through the mark frame; the contour is
  // closed when it ends within `closeWithin` px of its start.
  void ContourElements(int startX, int startY, int frameDepth, int closeWithin, float quality, float maxResidual,
                       float angleTolerance, ElementSet& out);

  // The pattern's elements from every taken contour of the last border
  // detection, its strongest corners (cornerLast) and its features; false
  // when there is no contour or too few elements.
  bool ExtractPatternFeatures(const Borders& borders, int frameDepth, float quality, float maxResidual,
                              float angleTolerance, ElementSet& pattern, int* cornerLast);

  // The whole contour circle search of one run; false when no border or no
  // circle was found. lastCircle is the highest candidate index.
  bool DetectContourCircles(const Frame* source, const TRectangularRegion* region, void* ctx, int scanLines,
                            int threshold, float tolerance, bool arcs, bool show, bool strict, int* lastCircle);
};

// The edge-point callback of the border detection: one sample per scanned
// pixel, its contrast when above the threshold.
bool CollectBorderEdgePoint(void* user, int x, int y, unsigned value);

// First object pixel met by a scan (the found position stays -1 when none).
// Bright objects stop above the threshold, dark ones below it; a value equal
// to the threshold never stops.
bool FindFirstCrossing(void* object, int x, int y, unsigned value);

// The same test, recording into the object's per-thread arrays at the index.
struct IndexedCrossing {
  int index;
  CShapesMain* object;
};
bool FindFirstCrossingIndexed(void* record, int x, int y, unsigned value);

// Inputs of the contour circle and ring methods, with their defaults.
struct ContourCircleInputs {
  const TRectangularRegion* region = nullptr;
  int scanLines = 0;
  int threshold = 72;
  float tolerance = 1.0f;
  bool arcs = true;
  bool show = true;
};
ContourCircleInputs ReadContourCircleInputs(const RunArgs& a, const Frame* f);

class CGeometricMatching : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;

  // The settings a pattern model is built with.
  struct ModelKey {
    int hTemplate = 1;
    float vTemplate = 1;
    int threshold = 72;
    double quality = 1.0;
    double precision = 0.01;
    double upper = 1.0;
    double limit = 0.5;
    bool operator==(const ModelKey&) const = default;
  };

 private:
  // The pattern model, rebuilt only when its stamp or key changes.
  bool modelValid_ = false;
  int32_t modelStamp_ = -1;
  ModelKey modelKey_;
  ElementSet model_;
  int modelCornerLast_ = -1;
  int longestContour_ = 0;
  int modelBuilds_ = 0;
  // Elements of each input contour, and of the current search window.
  std::vector<ElementSet> sources_;
  ElementSet window_;
};


class CLineDetectionByContour : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;
};

class CCircleDetectionByContour : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;
};

class CRingDetectionByContour : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;
};

class CCaliper : public CShapesMain {
 public:
  explicit CCaliper(bool inner) : inner_(inner) {}
  bool Run(const RunArgs& args) override;
  bool inner() const { return inner_; }

 private:
  bool inner_;
};

class CLineDetectionByThreshold : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;
};

class CCircleDetectionByThreshold : public CShapesMain {
 public:
  bool Run(const RunArgs& args) override;

 private:
  // What one seed gave, held until every seed before it is settled.
  struct SeedOutcome {
    int x = 0, y = 0;
    bool fitted = false;
    CircleCandidate circle;
  };
  void Seed(const Frame* f, const TRectangularRegion* region, int vLines, int hLines, int index, int thread,
            float tolerance, SeedOutcome* out);
  void Settle(const SeedOutcome& o);
};

}  // namespace forvik
