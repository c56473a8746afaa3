// Border detection: finds object borders where the edge contrast peaks along
// scan lines of a rectangular region or along arcs of a ring region, and traces
// each border pixel by pixel into an 8-bit mark frame (255 = free, any other
// value = the label of the object that owns the pixel).
//
// Method classes derive from CBorderDetection and call its members directly;
// the measurement module exports them, hence the default visibility.
#pragma once

#include <cstdint>
#include <memory>

#include "talvix.h"

// Extremes and sums of the traced pixels of one label. The sums are 64-bit so
// that long borders far from the origin cannot overflow them.
struct BorderObjectRecord {
  int32_t label;
  int32_t minX;
  int32_t yAtMinX;
  int32_t maxX;
  int32_t yAtMaxX;
  int32_t xAtMaxY;
  int32_t maxY;
  int32_t xAtMinY;
  int32_t minY;
  int64_t sumX;
  int64_t sumY;
  int64_t sumGrey;
};

// The last pixel of one trace. Entries 2c and 2c + 1 belong to label c: the
// end of the first trace and the end of the continuation (or the first end
// again when the border closed).
struct BorderEndPoint {
  float x;
  float y;
  int32_t label;
  int32_t spare;
};

// What the detection hands to the host's scans as user data: the callback
// advances index and fills the owner's sample arrays (see GrowSamples).
struct BorderScanRecord {
  int32_t threshold;
  int32_t index;  // -1 before the first sample of a scan line
  const Frame* frame;
  void* owner;  // the object that contains the CBorderDetection
};

class __attribute__((visibility("default"))) CBorderDetection {
 public:
  static constexpr int kMaxEndPoints = 512;
  static constexpr int kLabelSlots = 256;  // size of the per-label arrays
  static constexpr int kMaxLabel = 253;    // maxObjects outside 0..253 becomes this
  static constexpr int kFree = 255;        // mark of a pixel no object owns

  CBorderDetection();
  ~CBorderDetection();
  // Shares the sample and edge arrays with other (shared ownership, so either
  // object may be destroyed first); the record array pointer is copied as is.
  CBorderDetection& operator=(const CBorderDetection& other);
  CBorderDetection(const CBorderDetection&) = delete;

  // ---- Pixel functions ------------------------------------------------------
  // Grey value: 8 bpp the byte, 24 and 32 bpp (R + G + B) / 3; -1 outside the frame
  // or for another depth.
  static void GetPixelValue(const Frame* frame, int x, int y, int* value);
  // Grey values of the 8 neighbours in neighbour order (-1 off the frame).
  static void GetSurroundedPixelValues(const Frame* frame, int x, int y, int values[8]);
  // 8 bpp: the low byte of value; 24 bpp: its low three bytes (B, G, R);
  // 32 bpp: the whole pixel; elsewhere nothing.
  static void AddPixelValue(Frame* frame, int x, int y, unsigned value);
  // Larger of the truncated axis and diagonal gradients (at most 360) at an
  // inner pixel of an 8, 24 or 32 bpp frame; -1 and false elsewhere.
  static bool CountEdgeContrast(const Frame* frame, int x, int y, int* contrast);
  // The contrasts of a whole memory row y, out[x] for every x of the frame
  // as CountEdgeContrast gives them (-1 where it answers false), for callers
  // that read many pixels of the same rows.
  static void CountEdgeContrastRow(const Frame* frame, int y, int16_t* out);
  // True unless the two pixels are 4-neighbours.
  static bool NeighbourPixel(int x1, int y1, int x2, int y2);
  // True when the pixels are more than one apart on either axis.
  static bool NeighbourPixelB(int x1, int y1, int x2, int y2);

  // ---- Mark-frame tests -----------------------------------------------------
  // count = labelled neighbours, true when none; within one pixel of the frame
  // edge count = 8 and false.
  static bool CheckNeighbourPixels(const Frame* mark, int x, int y, int* count);
  // False when labelled neighbours lie on opposite sides.
  static bool CheckBorderEndPxs(const Frame* mark, int x, int y);
  // False when the pixel projects from a border (side score product 160 or 300).
  static bool CheckProjectingPx(const Frame* mark, int x, int y);

  // ---- Tracing --------------------------------------------------------------
  static bool CheckSurroundedPixels(const Frame* source, const Frame* mark, int x, int y, int threshold, int prevX,
                                    int prevY, int prev2X, int prev2Y, int label, int contrasts[8], int xs[8],
                                    int ys[8], bool* closed, int startX, int startY, int steps, bool* collided,
                                    int* otherLabel, int* endX, int* endY);
  static bool CheckThePossiblePixels(const Frame* source, const Frame* mark, int* direction, int threshold, int x,
                                     int y, int prevX, int prevY, int steps, int startX, int startY, bool* closed,
                                     int* endX, int* endY, const int contrasts[8], const int xs[8], const int ys[8]);
  static int TestPossibleNextPx(const Frame* source, const Frame* mark, int candX, int candY, int threshold, int x,
                                int y, int prevX, int prevY);
  // One step along an already labelled border; false when no pixel follows.
  bool ScanBorder(const Frame* mark, const Frame* testMark, int label, int* prevX, int* prevY, int* x, int* y) const;

  // ---- Detection ------------------------------------------------------------
  // lengths, valid and open must hold kLabelSlots entries. region null: the
  // whole frame.
  void DetectBorderInRectRegion(const Frame* source, Frame* mark, const TRectangularRegion* region, void* owner,
                                void* spare, int threshold, int horizontalLines, int verticalLines, int maxObjects,
                                bool spareFlag, PixelCallback callback, int* endCount, int lengths[256], bool valid[],
                                bool open[]);
  void DetectBorderInRingRegion(const Frame* source, Frame* mark, const TRingRegion* ring, void* owner, void* spare,
                                int threshold, int arcs, int maxObjects, bool spareFlag, PixelCallback callback,
                                int* endCount, int lengths[256], bool valid[], bool open[]);

  // ---- Storage helpers for owners -------------------------------------------
  // Grows the three sample arrays to capacity elements (never shrinks); new
  // elements are 0. Scan callbacks must grow the arrays through this, and
  // store nothing (answer false) when it fails for want of memory.
  bool GrowSamples(int capacity);
  // Gives the object an (empty) record array so that detections fill records.
  void CreateObjectRecords();
  // Frees the records and their array; the owner calls it, the destructor does not.
  void ReleaseObjectRecords();

  // ---- State (read and written by owners and their callbacks) ---------------
  int* sampleX = nullptr;
  int* sampleY = nullptr;
  int* sampleContrast = nullptr;
  int sampleCapacity = 0;
  int* edgeX = nullptr;
  int* edgeY = nullptr;
  int edgeCapacity = 0;
  int objectCount = 0;
  BorderObjectRecord** objectRecords = nullptr;
  int recordCapacity = 0;
  BorderEndPoint endPoints[kMaxEndPoints];
  // The box of the mark-frame pixels the last detection labelled (empty,
  // markedMaxX < markedMinX, when it labelled none): an owner that keeps its
  // mark frame between detections frees just this box.
  int markedMinX = 0, markedMinY = 0, markedMaxX = -1, markedMaxY = -1;

 private:
  struct Visit;
  struct Detection;
  bool GrowEdges(int capacity);
  void BeginDetection(Detection& d);
  void ProcessScanLine(Detection& d, const BorderScanRecord& record);
  void VisitPeaks(Detection& d, int peaks);
  int Trace(Detection& d, Visit& v);
  void StartRecord(const Frame* source, int label);
  void UpdateRecord(const Frame* source, int label, int x, int y);
  void AppendEndPoint(Detection& d, int x, int y, int label);
  void MarkPixel(Detection& d, int x, int y, int label);

  std::shared_ptr<int[]> sampleXStore_, sampleYStore_, sampleContrastStore_;
  std::shared_ptr<int[]> edgeXStore_, edgeYStore_;
};
