// The worker's search for a transition band and the plate's lower border.
#include "plate/plate_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <omp.h>

#include "frame/image_stats.h"
#include "plate/plate_band.h"
#include "plate/plate_edges.h"
#include "plate/plate_fit.h"
#include "talvix.h"

namespace kelmar::plate {

std::vector<PlateSearchBlock> PlateShares(int height, int processors) {
  const int n = std::max(1, processors);
  std::vector<PlateSearchBlock> blocks;
  for (int i = 0; i + 1 < n; ++i)
    blocks.push_back({i, static_cast<int>(int64_t{height} * i / n) + 1, static_cast<int>(int64_t{height} * (i + 1) / n)});
  blocks.push_back({n - 1, static_cast<int>(int64_t{height} * (n - 1) / n), height - 1});
  return blocks;
}

void WorkerBuffers::reserve(int longest) {
  const size_t n = static_cast<size_t>(std::max(longest, 1));
  if (samples.size() < n) {
    samples.resize(n);
    xs.resize(n);
    ys.resize(n);
    transitions.resize(n);
  }
  count = 0;
}

namespace {

// Appends a sample and its position; stops the line at capacity.
bool CollectPlateSample(void* user, int x, int y, unsigned value) {
  auto* b = static_cast<WorkerBuffers*>(user);
  if (b->count >= static_cast<int>(b->samples.size())) return false;
  b->samples[b->count] = static_cast<uint8_t>(std::min(value, 255u));
  b->xs[b->count] = x;
  b->ys[b->count] = y;
  ++b->count;
  return true;
}


// Grey byte, or B + G + R of a 32-bit pixel.
inline int Level(const frame::FrameRows& f, int x, int y) {
  const uint8_t* p = f.row(y) + static_cast<ptrdiff_t>(x) * (f.bpp / 8);
  return f.bpp == 8 ? p[0] : p[0] + p[1] + p[2];
}

// Walks down column x from `row` to the first light-to-dark step and on while
// it grows: the row of the lower border, or -1.
int LowerBorderRow(const frame::FrameRows& f, int x, int row) {
  if (f.bpp != 8 && f.bpp != 32) return -1;
  const int limit = f.bpp == 8 ? 39 : 119;
  auto step = [&](int y) { return (Level(f, x, y - 1) + Level(f, x, y)) - (Level(f, x, y + 1) + Level(f, x, y + 2)); };
  for (int y = std::max(row, 1); y < f.depth - 3; ++y) {
    if (step(y) <= limit) continue;
    while (y + 1 < f.depth - 3 && step(y + 1) > step(y)) ++y;
    return y;
  }
  return -1;
}

// Five vertical lines 20 columns apart around column x: the offsets from
// `row` of their falling steps, refined downwards.
FitChoice FitLowerBorder(const PlateSearch& s, WorkerBuffers& b, int x, int row, int mid) {
  FitLine lines[5];
  for (int k = -2; k <= 2; ++k) {
    const int col = x + 20 * k;
    SampleLine(s, b, col, row - 6 - 2 * std::abs(k), col, row + 10);
    FitLine& line = lines[k + 2];
    for (int j = 1; j + 2 < b.count; ++j) {
      if (!FallingStep(b.samples.data(), b.count, j, mid)) continue;
      int px = b.xs[j], py = b.ys[j];
      ClimbResponse(s.frame, EdgeResponseUp, 0, 1, &px, &py);
      line.add(py - row);
    }
    line.close();
  }
  return BestFiveLineFit(lines);
}

// Steps 2 to 4 from a band: seed columns, the lower border and the rest of
// the candidate's checks.
bool CheckBand(PlateSearch& s, WorkerBuffers& b, int startX, int startY, int mean, int mid) {
  const frame::FrameRows& f = s.frame;
  const int centre = static_cast<int>(startX + mean);
  const int row = static_cast<int>(startY + mean * s.sinRegion + 1);
  if (row < 10 || row > f.depth - 4) return false;
  const int left = centre - 5, right = centre + 5;
  if (left < 0 || right >= f.width) return false;
  const int seed = frame::GetPixelIntensity(f.frame, right, row) > frame::GetPixelIntensity(f.frame, left, row) ? right
                                                                                                            : left;
  for (int column : {seed - 40, seed, seed + 40}) {
    if (s.Stopped(b.index)) return false;
    if (column < 1 || column > f.width - 2) continue;
    const int border = LowerBorderRow(f, column, row);
    if (border < 0) continue;
    for (int shift : {0, 10}) {
      const BorderFit fit = LowerBorderFit(FitLowerBorder(s, b, column + shift, border, mid));
      if (!fit.ok) continue;
      const BorderLine lower{column + shift, border + fit.offset, border, fit.slope};
      return CheckPlateCandidate(s, b, lower, mid);
    }
  }
  return false;
}

}  // namespace

void SampleLine(const PlateSearch& s, WorkerBuffers& b, double x0, double y0, double x1, double y1) {
  b.clear();
  const TLine line{x0, y0, x1, y1};
  ScanLine(s.frame.frame, s.region, &line, 1, &b, CollectPlateSample);
}

namespace {

// The run of band lines from `start`: lines start, start + 2, ... while each
// holds a band window near the run's running mean. What it finds does not
// depend on the runs of other starts.
BandRun FollowBand(PlateSearch& s, WorkerBuffers& b, int tilt, int start) {
  BandRun r;
  r.start = start;
  int centreSum = 0, from = 2, usable = 0;
  for (int i = start; i < s.regionHeight - 1; i += 2) {
    int x0, y0, x1, y1;
    if (!GetScanRectangularRegionLine(s.frame.frame, s.region, s.regionHeight, i, tilt, &x0, &y0, &x1, &y1)) break;
    SampleLine(s, b, x0, y0, x1, y1);
    const bool first = i == start;
    if (first) {
      s.scannedLines.fetch_add(1);
      usable = b.count - 3;
      from = 2;
    } else {
      usable = std::min(usable, b.count);
    }
    int* pos = b.transitions.data();
    const Transitions tr = FindTransitions(b.samples.data(), from, usable, pos, b.count);
    if (tr.count < 10) break;
    const BandWindow win = BestBandWindow(pos, tr.count);
    if (win.count < 10) break;
    const int centre = pos[(win.a + win.b) / 2];
    if (first) {
      r.band = true;
      r.firstCentre = centre;
    }
    r.highestLine = i;
    from = pos[win.a] - 2;
    usable = pos[win.b] + 1;
    const int next = (centreSum + centre) / (r.lines + 1);
    if (r.lines > 0 && std::abs(next - r.mean) > 49) break;
    r.mid = (tr.brightSum / tr.count + tr.darkSum / tr.count) / 2;
    ++r.lines;
    centreSum += centre;
    r.mean = next;
    r.startX = x0;
    r.startY = y0;
  }
  return r;
}

}  // namespace

std::vector<std::vector<BandRun>> BandCandidates(PlateSearch& s, const std::vector<PlateSearchBlock>& blocks,
                                                 std::vector<WorkerBuffers>& buffers, int firstStart) {
  std::vector<std::vector<BandRun>> candidates(blocks.size());
  if (s.frame.bpp != 8 && s.frame.bpp != 32) return candidates;
  static constexpr int kTilts[] = {0, -5, 5, -10, 10, -15, 15, -20, 20};
  const int tilts = std::min(9, 2 * (s.tiltLimit / 5) + 1);
  const int starts = s.regionHeight > firstStart ? (s.regionHeight - 1 - firstStart) / kBandStartStep + 1 : 0;
  const int threads = std::max(1, std::min(static_cast<int>(buffers.size()), static_cast<int>(blocks.size())));
  // Only starts on a band are kept, by tilt and start.
  std::vector<std::vector<BandRun>> found(static_cast<size_t>(threads));
  const int64_t count = int64_t{tilts} * starts;
#pragma omp parallel for schedule(dynamic, 16) num_threads(threads)
  for (int64_t k = 0; k < count; ++k) {
    const int thread = omp_get_thread_num();
    BandRun r = FollowBand(s, buffers[thread], kTilts[k / starts],
                            firstStart + static_cast<int>(k % starts) * kBandStartStep);
    r.order = k;
    if (r.band) found[thread].push_back(r);
  }
  std::vector<BandRun> runs;
  for (auto& f : found) runs.insert(runs.end(), f.begin(), f.end());
  std::sort(runs.begin(), runs.end(), [](const BandRun& a, const BandRun& b) { return a.order < b.order; });

  // In the order of the starts, as one worker would meet them: a start
  // inside a band that an earlier run followed is passed by.
  int highest = -1, mean = 0;
  for (const BandRun& r : runs) {
    if (r.start < highest && std::abs(r.firstCentre - mean) <= 100) continue;
    highest = std::max(highest, r.highestLine);
    mean = r.mean;
    size_t block = 0;
    while (block + 1 < blocks.size() && r.start > blocks[block].last) ++block;
    candidates[block].push_back(r);
  }
  return candidates;
}

void LicencePlateThread(PlateSearch& s, const PlateSearchBlock& block, WorkerBuffers& b,
                        const std::vector<BandRun>& candidates) {
  for (const BandRun& r : candidates) {
    if (s.Stopped(block.index)) return;
    if (CheckBand(s, b, r.startX, r.startY, r.mean, r.mid)) return;
  }
}

}  // namespace kelmar::plate
