// The plate search shared by the run and its workers: what every worker
// reads, the found flag and lock, and the plate the accepting worker writes.
// Each worker searches its own share of the region's scan lines with buffers
// of its own.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <vector>

#include "frame/run_args.h"
#include "plate/char_box.h"
#include "plate/plate_blobs.h"

namespace kelmar::plate {

// Lines first..last of the region's H lines for one worker; `index` picks
// its buffers.
struct PlateSearchBlock {
  int index = 0;
  int first = 0;
  int last = 0;
};

// Worker i of n searches floor(H i / n) + 1 .. floor(H (i + 1) / n); the
// calling thread, the last block, floor(H (n - 1) / n) .. H - 1.
std::vector<PlateSearchBlock> PlateShares(int height, int processors);

// One worker's sample row with the frame position of every sample, sized for
// the longest line through the region, and its transition positions.
struct WorkerBuffers {
  int index = 0;  // the worker's block
  std::vector<uint8_t> samples;
  std::vector<int> xs, ys;
  std::vector<int> transitions;
  int count = 0;
  void reserve(int longest);
  void clear() { count = 0; }
};

// The fitted lower border: its row at column x and slope in rows per 20
// columns; baseRow is the row the fit's sample lines were laid around.
struct BorderLine {
  int x = 0, row = 0, baseRow = 0;
  int slope = 0;
};

struct PlateResult {
  int corners[8] = {};  // lower-left, lower-right, upper-left, upper-right (x, y)
  float angle = 0, slant = 0;
  float width = 0, height = 0, cx = 0, cy = 0;
  float s1 = 0, c1 = 1, s2 = 0, c2 = 1, k = 1;
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // plate image bounds in the frame
  int threshold = 0;
  std::vector<uint8_t> image;  // 8-bpp frame: header and pixels
  std::vector<PlateCharacterBox> boxes;
  int accepted = 0;  // boxes of this plate
};

struct PlateSearch {
  frame::FrameRows frame;
  const TRectangularRegion* region = nullptr;
  int regionWidth = 0, regionHeight = 0;
  float sinRegion = 0, cosRegion = 1;
  int tiltLimit = 0;
  // The lowest block that accepted a plate (INT_MAX: none yet). A worker
  // goes on only while no block before its own has one, and the run takes
  // that block's plate: the same plate whatever the workers' timing.
  std::atomic<int> winner{INT_MAX};
  bool Stopped(int block) const { return winner.load() <= block; }
  std::atomic<int> scannedLines{0};
  std::mutex lock;
  // Under the lock: the label map and blobs of the candidate being checked,
  // and each block's accepted plate.
  std::vector<uint16_t> labels;
  PlateBlobs blobs;
  std::vector<PlateResult> results;
  PlateResult result;  // the plate taken, after the workers ended
};

// The geometry gate on the corners lower-left, lower-right, upper-left and
// upper-right (x, y each) and the sides' angles less 90 degrees: the plate's
// size, centre, angle and slant (whole degrees), ok false when it fails.
struct PlateGate {
  bool ok = false;
  float width = 0, height = 0, cx = 0, cy = 0;
  float angle = 0, slant = 0;
};
PlateGate GatePlate(const int (&corners)[8], double leftAngle, double rightAngle);

// Under the lock: threshold, trims, plate image, blobs and characters of a
// gated candidate; true when it became block's plate.
bool AcceptPlate(PlateSearch& s, int block, const int (&corners)[8], const PlateGate& gate);

// Lines between the starts of band runs, counted from the region's first
// line whatever the shares.
inline constexpr int kBandStartStep = 20;

// A run of band lines from one start line, and what the plate's lower border
// is sought from: the last line's start point, the running mean of the band
// centres and the mid level.
struct BandRun {
  int64_t order = 0;  // tilt by tilt, start by start
  int start = 0;
  bool band = false;  // the start line holds a band window
  int firstCentre = 0;
  int highestLine = -1;  // the last line that held a band window
  int lines = 0, mean = 0, mid = 0, startX = 0, startY = 0;
};

// The band runs of the starts firstStart, firstStart + kBandStartStep, ...
// of the region, followed in parallel, each on its own; then, in the order of the starts, those not inside a band that an
// earlier run followed, handed to the block that holds their start. Which
// starts are passed by so no longer hangs on where the shares begin: the
// same runs are checked for any number of blocks.
std::vector<std::vector<BandRun>> BandCandidates(PlateSearch& search, const std::vector<PlateSearchBlock>& blocks,
                                                 std::vector<WorkerBuffers>& buffers, int firstStart);

// The worker: checks its block's band runs in order, accepting the first
// plate that passes every check unless a lower block already did.
void LicencePlateThread(PlateSearch& search, const PlateSearchBlock& block, WorkerBuffers& buffers,
                        const std::vector<BandRun>& candidates);

// Samples the line (x0, y0)-(x1, y1) inside the search region into the
// worker's row, with each sample's frame position.
void SampleLine(const PlateSearch& s, WorkerBuffers& b, double x0, double y0, double x1, double y1);

// The plate's lower border found from a band: the rest of the search (sides,
// corners, checks, characters). True when the plate was accepted.
bool CheckPlateCandidate(PlateSearch& search, WorkerBuffers& buffers, const BorderLine& lower, int midLevel);

}  // namespace kelmar::plate
