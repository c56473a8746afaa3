// DetectParticles: border detection into the mark frame, then per particle
// its trace (perimeter and radii), polarity, area and holes, and the feature
// vector of the accepted ones.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "joins.h"
#include "qualifier.h"

namespace oskvel {

namespace {

constexpr double kDiagonalAfterDiagonal = 1.4142135623730951;
constexpr double kStraightAfterDiagonal = 1.1126019;
constexpr double kFourPi = 12.566370614359172;
constexpr double kTwoPi = 6.283185307179586;
// How far inward the polarity probe may look for the object's grey.
constexpr int kProbeReach = 6;
// Below this share of distinct pixels in the walk round a particle, the
// outline is an open curve.
constexpr double kClosedShare = 0.9;
// An outline holds at least one pixel clear of it per this many pixels of its
// walk (a bar 3 pixels wide holds about one per two).
constexpr size_t kInsidePerOutline = 4;

// The contrast callback of the detection: one sample per scanned pixel, its
// contrast when above the threshold, else zeros.
bool CollectEdgePoint(void* user, int x, int y, unsigned) {
  auto* rec = static_cast<BorderScanRecord*>(user);
  auto* self = static_cast<CQualifierMain*>(static_cast<CBorderDetection*>(rec->owner));
  const int i = ++rec->index;
  if (i >= self->sampleCapacity && !self->GrowSamples(i + 256)) return false;
  const int contrast = self->ContrastAt(x, y);
  // -1 (no contrast at the frame's edge) never counts, whatever the threshold.
  const bool edge = contrast >= 0 && contrast > rec->threshold;
  self->sampleContrast[i] = edge ? contrast : 0;
  self->sampleX[i] = edge ? x : 0;
  self->sampleY[i] = edge ? y : 0;
  return true;
}

// The eight neighbours in turning order.
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

int DirectionOf(int dx, int dy) {
  for (int k = 0; k < 8; ++k)
    if (kDx[k] == dx && kDy[k] == dy) return k;
  return 0;
}

struct Pixel {
  int x, y;
};

// The closed border of a label by a neighbour walk from its leftmost pixel.
// The walk is fixed by where it stands and where it came from: it ends when
// that pair repeats, and the border is the loop from the pair's first visit.
// (Ending at the first return to the first step misses the loop where the
// leftmost pixel is the tip of a spur, which the walk passes on another step
// each time, and runs the walk round and round.) box holds every pixel of the
// label.
std::vector<Pixel> WalkBorder(const Frame* mark, int label, Pixel start, Pixel boxMin, Pixel boxMax, size_t cap) {
  const int w = GetFrameWidth(mark), h = GetFrameDepth(mark);
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(mark));
  const ptrdiff_t stride = (w + 3) & ~3;
  const auto on = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < w && y < h && data[static_cast<ptrdiff_t>(y) * stride + x] == label;
  };
  const size_t boxW = static_cast<size_t>(boxMax.x - boxMin.x + 1);
  std::vector<uint8_t> seen(boxW * static_cast<size_t>(boxMax.y - boxMin.y + 1), 0);  // a bit per way in
  const auto visit = [&](Pixel q, int back) {
    if (q.x < boxMin.x || q.y < boxMin.y || q.x > boxMax.x || q.y > boxMax.y) return false;
    uint8_t& bits = seen[static_cast<size_t>(q.y - boxMin.y) * boxW + static_cast<size_t>(q.x - boxMin.x)];
    const bool again = bits & (1u << back);
    bits = static_cast<uint8_t>(bits | (1u << back));
    return again;
  };
  std::vector<Pixel> out{start};
  std::vector<uint8_t> ways{4};
  Pixel p = start;
  int back = 4;  // the pixel to the left of the leftmost one is off the label
  visit(start, back);
  while (out.size() < cap) {
    int found = -1;
    for (int i = 1; i <= 8; ++i) {
      const int d = (back + i) % 8;
      if (on(p.x + kDx[d], p.y + kDy[d])) {
        found = d;
        const int prev = (back + i - 1) % 8;
        const Pixel q{p.x + kDx[d], p.y + kDy[d]};
        back = DirectionOf(p.x + kDx[prev] - q.x, p.y + kDy[prev] - q.y);
        p = q;
        break;
      }
    }
    if (found < 0) break;  // a single pixel
    if (visit(p, back)) {
      size_t first = 0;
      while (first < out.size() && !(out[first].x == p.x && out[first].y == p.y && ways[first] == back)) ++first;
      out.erase(out.begin(), out.begin() + static_cast<ptrdiff_t>(std::min(first, out.size())));
      break;
    }
    out.push_back(p);
    ways.push_back(static_cast<uint8_t>(back));
  }
  return out;
}

// The walk round a closed outline meets each of its pixels about once; round
// an open curve it goes out and back, meeting each pixel twice.
bool OutlineCloses(const std::vector<Pixel>& border) {
  if (border.empty()) return false;
  int minX = border[0].x, maxX = minX, minY = border[0].y, maxY = minY;
  for (const Pixel& q : border) {
    minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
  }
  const size_t width = static_cast<size_t>(maxX - minX + 1);
  std::vector<uint8_t> seen(width * static_cast<size_t>(maxY - minY + 1), 0);
  size_t distinct = 0;
  for (const Pixel& q : border) {
    uint8_t& s = seen[static_cast<size_t>(q.y - minY) * width + static_cast<size_t>(q.x - minX)];
    distinct += s == 0;
    s = 1;
  }
  return distinct >= kClosedShare * static_cast<double>(border.size());
}

// Whether an outline holds `needed` pixels that touch none of its own: a
// border traced twice along one edge closes as a thin loop round no inside.
bool HoldsInside(const Frame* mark, int label, Pixel boxMin, Pixel boxMax, size_t needed) {
  const int w = GetFrameWidth(mark), h = GetFrameDepth(mark);
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(mark));
  const ptrdiff_t stride = (w + 3) & ~3;
  // The box and a rim of one pixel, read once: the label's own pixels, then
  // what the rim reaches through pixels not of the label (the outside).
  constexpr uint8_t kOwn = 1, kOutside = 2;
  const int x0 = boxMin.x - 1, y0 = boxMin.y - 1, bw = boxMax.x - boxMin.x + 3, bh = boxMax.y - boxMin.y + 3;
  std::vector<uint8_t> cell(static_cast<size_t>(bw) * static_cast<size_t>(bh), 0);
  for (int y = std::max(y0, 0); y < std::min(y0 + bh, h); ++y) {
    const uint8_t* row = data + static_cast<ptrdiff_t>(y) * stride;
    uint8_t* out = cell.data() + static_cast<size_t>(y - y0) * static_cast<size_t>(bw);
    for (int x = std::max(x0, 0); x < std::min(x0 + bw, w); ++x) out[x - x0] = row[x] == label ? kOwn : 0;
  }
  std::vector<Pixel> stack;
  const auto reach = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= bw || y >= bh) return;
    uint8_t& c = cell[static_cast<size_t>(y) * static_cast<size_t>(bw) + static_cast<size_t>(x)];
    if (c) return;
    c = kOutside;
    stack.push_back({x, y});
  };
  for (int x = 0; x < bw; ++x) reach(x, 0), reach(x, bh - 1);
  for (int y = 0; y < bh; ++y) reach(0, y), reach(bw - 1, y);
  while (!stack.empty()) {
    const Pixel q = stack.back();
    stack.pop_back();
    reach(q.x + 1, q.y), reach(q.x - 1, q.y), reach(q.x, q.y + 1), reach(q.x, q.y - 1);
  }
  size_t deep = 0;
  for (int y = 1; y < bh - 1; ++y) {
    const uint8_t* c = cell.data() + static_cast<size_t>(y) * static_cast<size_t>(bw);
    for (int x = 1; x < bw - 1; ++x) {
      if (c[x]) continue;
      bool touches = false;
      for (int k = 0; k < 8 && !touches; ++k) touches = c[static_cast<ptrdiff_t>(kDy[k]) * bw + x + kDx[k]] == kOwn;
      deep += !touches;
      if (deep >= needed) return true;
    }
  }
  return deep >= needed;
}

}  // namespace

void CQualifierMain::TraceParticle(const Frame* frame, int label, int steps, int frameWidth, Particle* p) {
  const BorderObjectRecord& r = *objectRecords[label];
  const int count = std::max(steps, 1);
  p->label = label;
  const int ex = r.maxX - r.minX, ey = r.maxY - r.minY;
  p->cx = (r.minX + r.maxX) / 2.0;
  p->cy = (r.minY + r.maxY) / 2.0;
  p->width = ex + 5.0;
  p->height = ey + 5.0;
  p->angle = 0.0;
  p->meanGrey = static_cast<int>(r.sumGrey / count);
  p->boundingArea = (ex + 5) * (ey + 5);
  p->centroidX = RoundReal(static_cast<float>(static_cast<double>(r.sumX) / count));
  p->centroidY = RoundReal(static_cast<float>(static_cast<double>(r.sumY) / count));
  p->dropped = steps <= 40 || p->boundingArea < 257;
  if (p->dropped) return;

  // The trace marks its last pixel without recording it: one pixel round the
  // record's box holds the whole label.
  const std::vector<Pixel> border = WalkBorder(Mark(), label, Pixel{r.minX, r.yAtMinX}, Pixel{r.minX - 1, r.minY - 1},
                                               Pixel{r.maxX + 1, r.maxY + 1}, static_cast<size_t>(count) * 4 + 16);
  const size_t n = border.size();
  double perimeter = 0;
  int64_t maxL = 0, minL = 2 * static_cast<int64_t>(frameWidth) * frameWidth, sumL = 0;
  for (size_t i = 0; i < n; ++i) {
    const Pixel& a = border[(i + n - 1) % n];
    const Pixel& b = border[i];
    const Pixel& z = border[(i + n - 2) % n];
    const bool diagonal = CBorderDetection::NeighbourPixel(a.x, a.y, b.x, b.y);
    const bool lastDiagonal = CBorderDetection::NeighbourPixel(z.x, z.y, a.x, a.y);
    perimeter += lastDiagonal ? (diagonal ? kDiagonalAfterDiagonal : kStraightAfterDiagonal) : 1.0;
    const int64_t dx = b.x - p->centroidX, dy = b.y - p->centroidY;
    const int64_t L = dx * dx + dy * dy;
    maxL = std::max(maxL, L);
    minL = std::min(minL, L);
    sumL += L;
  }
  // An outline closes when its walk does not run back on itself and it holds
  // an inside: a particle's outline holds about four of its pixels for each
  // pixel of its walk, a doubled trace of an edge almost none.
  p->closed = OutlineCloses(border) && HoldsInside(Mark(), label, Pixel{r.minX - 1, r.minY - 1},
                                                   Pixel{r.maxX + 1, r.maxY + 1},
                                                   (n + kInsidePerOutline - 1) / kInsidePerOutline);
  p->perimeter = static_cast<int>(perimeter);
  p->maxRadius = static_cast<float>(std::sqrt(static_cast<double>(maxL)));
  p->minRadius = static_cast<float>(std::sqrt(static_cast<double>(minL)));
  p->rmsRadius = static_cast<float>(std::sqrt(static_cast<double>(sumL) / static_cast<double>(std::max<size_t>(n, 1))));

  // Polarity from the object pixel next to each of the four extreme points.
  // The trace follows the edge: a fixed step inward from an extreme point
  // (straight, or diagonally toward the centroid) lands on ground or on the
  // edge again where the extreme pixels form a tip two rows high, or where
  // the trace overshoots a sharp tip by a few pixels, and the count ties.
  // The probe walks from the point toward the centroid and reads the pixel
  // whose grey differs most from the extreme pixel's, going on only while
  // nothing read lies across the mean grey, and at most half the particle's
  // extent.
  struct Extreme {
    int x, y;
    int extent;  // the particle's extent along the point's axis
  };
  const Extreme extremes[4] = {
      {r.minX, r.yAtMinX, ex}, {r.maxX, r.yAtMaxX, ex}, {r.xAtMaxY, r.maxY, ey}, {r.xAtMinY, r.minY, ey}};
  int dark = 0, bright = 0;
  for (const Extreme& e : extremes) {
    int own = -1;
    CBorderDetection::GetPixelValue(frame, e.x, e.y, &own);
    const bool ownDark = own < p->meanGrey;
    const double rx = p->centroidX - e.x, ry = p->centroidY - e.y, rl = std::max(std::hypot(rx, ry), 1.0);
    const int reach = std::clamp(e.extent / 2, 1, kProbeReach);
    int v = -1, most = -1;
    for (int k = 1; k <= reach; ++k) {
      int g = -1;
      CBorderDetection::GetPixelValue(frame, e.x + static_cast<int>(std::lround(k * rx / rl)),
                                      e.y + static_cast<int>(std::lround(k * ry / rl)), &g);
      if (g < 0) break;  // off the frame
      if (std::abs(g - own) > most) most = std::abs(g - own), v = g;
      if ((g < p->meanGrey) != ownDark) break;
    }
    (v < p->meanGrey ? dark : bright)++;
  }
  p->polarity = dark > bright ? 0 : (bright > dark ? 1 : 2);
}

namespace {

// What the area callback needs while one line of one particle is scanned.
struct AreaScan {
  CQualifierMain* self;
  const Frame* source;
  std::vector<Particle>* particles;
  const std::vector<int>* indexOfLabel;
  size_t index;
  std::vector<uint8_t>* holes;  // per particle: marked as a hole of this one
  bool inside;
  int count;
};

bool OnOwnSide(const Particle& p, int grey) { return p.polarity == 0 ? grey < p.meanGrey : grey > p.meanGrey; }
bool OnOtherSide(const Particle& p, int grey) { return p.polarity == 0 ? grey > p.meanGrey : grey < p.meanGrey; }

bool AreaCallback(void* user, int x, int y, unsigned value) {
  AreaScan& s = *static_cast<AreaScan*>(user);
  Particle& p = (*s.particles)[s.index];
  const int label = static_cast<int>(value & 0xFF);
  bool holeHere = false;
  if (label == p.label) {
    // Entering, or staying inside on the particle's own border.
    s.inside = true;
    ++s.count;
  } else if (label != CBorderDetection::kFree && s.inside) {
    const int other = label < static_cast<int>(s.indexOfLabel->size()) ? (*s.indexOfLabel)[label] : -1;
    if (other >= 0) {
      const Particle& o = (*s.particles)[static_cast<size_t>(other)];
      const bool near = std::abs(x - o.cx) <= o.width / 2 + 5 && std::abs(y - o.cy) <= o.height / 2 + 5;
      if ((near && o.polarity == p.polarity) || p.boundingArea < o.boundingArea) {
        s.inside = false;
      } else if (near) {
        (*s.holes)[static_cast<size_t>(other)] = 1;
        holeHere = true;
      }
    }
  } else if (s.inside) {
    int grey = -1;
    CBorderDetection::GetPixelValue(s.source, x, y, &grey);
    if (OnOwnSide(p, grey)) ++s.count;
  }
  if (x == p.centroidX && y == p.centroidY) {
    int grey = -1;
    CBorderDetection::GetPixelValue(s.source, x, y, &grey);
    p.centroidByte = s.inside && (label == p.label || holeHere || !OnOtherSide(p, grey));
  }
  return true;
}

}  // namespace

void CQualifierMain::ScanArea(const Frame* frame, const TRectangularRegion* region, size_t index) {
  Particle& p = particles[index];
  std::vector<int> indexOfLabel(kLabelSlots, -1);
  for (size_t i = 0; i < particles.size(); ++i)
    if (!particles[i].dropped) indexOfLabel[static_cast<size_t>(particles[i].label)] = static_cast<int>(i);
  std::vector<uint8_t> holes(particles.size(), 0);
  TRectangularRegion box{p.cx, p.cy, p.width, p.height, 0.0};
  int x0 = 0, y0 = 0;
  CountRectRegionLeftBottomPoint(&box, &x0, &y0);
  const int w = static_cast<int>(p.width), h = static_cast<int>(p.height);
  AreaScan s{this, frame, &particles, &indexOfLabel, index, &holes, false, 0};
  p.area = 0;
  p.centroidByte = false;
  const int lines = h >= w ? h : w;
  for (int u = 0; u < lines; ++u) {
    TLine line = h >= w ? TLine{double(x0), double(y0 + u), double(x0 + w - 1), double(y0 + u)}
                        : TLine{double(x0 + w - 1 - u), double(y0), double(x0 + w - 1 - u), double(y0 + h - 1)};
    s.inside = false;
    s.count = 0;
    ScanLine(Mark(), region, &line, 1, &s, AreaCallback);
    particles[index].area += s.count;
  }
  Particle& q = particles[index];
  q.holeCount = 0;
  q.holeSumX = q.holeSumY = 0;
  q.holes.clear();
  // Each product starts with the particle's own radius; every factor is
  // truncated, in double so that large radii cannot overflow.
  q.minProduct = std::trunc(static_cast<double>(q.minRadius));
  q.maxProduct = std::trunc(static_cast<double>(q.maxRadius));
  for (size_t i = 0; i < holes.size(); ++i) {
    if (!holes[i] || i == index) continue;
    const Particle& o = particles[i];
    ++q.holeCount;
    q.holes.push_back(static_cast<int>(i));
    q.holeSumX += o.centroidX;
    q.holeSumY += o.centroidY;
    q.minProduct = std::trunc(q.minProduct * o.minRadius);
    q.maxProduct = std::trunc(q.maxProduct * o.maxRadius);
  }
}

namespace {

// Lines closer than a pixel repeat the same pixels, so past one line per
// pixel across the region a larger count only costs time (a count of 1e300
// arrives as INT_MAX and would scan practically without end).
int LinesAcross(int count, double extent) {
  const double most = std::ceil(std::min(std::isfinite(extent) ? std::abs(extent) : 0.0, 1048576.0)) + 1;
  return count < most ? count : static_cast<int>(most);
}

}  // namespace

// The pieces of one border that the detection traced apart are joined into
// one label, its record and its trace length; the joined particle is valid
// as its longest piece is (a piece that ran into another piece of the same
// border lost to it, which says nothing of the whole).
void CQualifierMain::JoinPieces(int objects, int endCount, int lengths[], bool valid[]) {
  std::vector<TracePiece> pieces(static_cast<size_t>(objects));
  for (int label = 0; label < objects; ++label) {
    if (lengths[label] <= 0 || !objectRecords || label >= recordCapacity || !objectRecords[label]) continue;
    const BorderObjectRecord& r = *objectRecords[label];
    const bool small = lengths[label] <= 40 || (r.maxX - r.minX + 5) * (r.maxY - r.minY + 5) < 257;
    pieces[static_cast<size_t>(label)] = {lengths[label], small, r.minX, r.minY, r.maxX, r.maxY};
  }
  const std::vector<int> root = JoinTraces(Mark(), endPoints, endCount, pieces);
  std::vector<int> longest(root.size(), -1);
  for (int label = 0; label < objects; ++label) {
    const int r = root[static_cast<size_t>(label)];
    int& l = longest[static_cast<size_t>(r)];
    if (pieces[static_cast<size_t>(label)].steps > 0 && (l < 0 || lengths[label] > lengths[l])) l = label;
  }
  for (int label = 0; label < objects; ++label) {
    const int r = root[static_cast<size_t>(label)];
    if (r == label || pieces[static_cast<size_t>(label)].steps == 0) continue;
    BorderObjectRecord& to = *objectRecords[r];
    const BorderObjectRecord& from = *objectRecords[label];
    if (from.minX < to.minX) to.minX = from.minX, to.yAtMinX = from.yAtMinX;
    if (from.maxX > to.maxX) to.maxX = from.maxX, to.yAtMaxX = from.yAtMaxX;
    if (from.minY < to.minY) to.minY = from.minY, to.xAtMinY = from.xAtMinY;
    if (from.maxY > to.maxY) to.maxY = from.maxY, to.xAtMaxY = from.xAtMaxY;
    to.sumX += from.sumX;
    to.sumY += from.sumY;
    to.sumGrey += from.sumGrey;
    lengths[r] += lengths[label];
    lengths[label] = 0;
  }
  for (int label = 0; label < objects; ++label)
    if (root[static_cast<size_t>(label)] == label && longest[static_cast<size_t>(label)] != label &&
        longest[static_cast<size_t>(label)] >= 0)
      valid[label] = valid[longest[static_cast<size_t>(label)]];
}

void CQualifierMain::BeginContrast(const Frame* frame) {
  contrastFrame = frame;
  contrastWidth = std::max(GetFrameWidth(frame), 0);
  contrastDepth = std::max(GetFrameDepth(frame), 0);
  contrast.resize(static_cast<size_t>(contrastWidth) * static_cast<size_t>(contrastDepth));
  contrastRowReady.assign(static_cast<size_t>(contrastDepth), 0);
}

bool CQualifierMain::DetectParticles(const Frame* frame, const TRectangularRegion* rect, const TRingRegion* ring,
                                     int hCount, int vCount, int threshold, bool objectColour,
                                     std::vector<Feature>* features) {
  features->clear();
  particles.clear();
  const int w = GetFrameWidth(frame), d = GetFrameDepth(frame);
  const size_t size = static_cast<size_t>(GetFrameSizeParam(w, d, 8));
  if (markFrame.size() != size || GetFrameWidth(Mark()) != w || GetFrameDepth(Mark()) != d) {
    markFrame.assign(size, 0);
    InitFrameDIB(markFrame.data(), w, d, 8);
    uint8_t* markData = GetFrameDataAddr(Mark());
    std::memset(markData, CBorderDetection::kFree, size - static_cast<size_t>(markData - markFrame.data()));
  } else if (markedMaxX >= markedMinX) {
    // Only the last detection wrote into the kept mark frame: free its box.
    uint8_t* markData = GetFrameDataAddr(Mark());
    const ptrdiff_t stride = (w + 3) & ~3;
    for (int y = markedMinY; y <= markedMaxY; ++y)
      std::memset(markData + y * stride + markedMinX, CBorderDetection::kFree,
                  static_cast<size_t>(markedMaxX - markedMinX + 1));
  }

  BeginContrast(frame);

  int endCount = -1;
  int lengths[kLabelSlots] = {};
  bool valid[kLabelSlots] = {};
  bool open[kLabelSlots] = {};
  void* owner = static_cast<CBorderDetection*>(this);
  if (ring) {
    DetectBorderInRingRegion(frame, Mark(), ring, owner, nullptr, threshold,
                             LinesAcross(hCount, std::abs(ring->r2 - ring->r1)), -1, false, CollectEdgePoint,
                             &endCount, lengths, valid, open);
  } else {
    // Without a region the vertical lines take the horizontal count too.
    const int h = LinesAcross(hCount, rect ? rect->height : d);
    const int v = LinesAcross(rect ? vCount : hCount, rect ? rect->width : w);
    DetectBorderInRectRegion(frame, Mark(), rect, owner, nullptr, threshold, h, v, -1, false, CollectEdgePoint,
                             &endCount, lengths, valid, open);
  }
  const int objects = std::min(objectCount, static_cast<int>(kLabelSlots));
  JoinPieces(objects, endCount, lengths, valid);
  for (int label = 0; label < objects; ++label) {
    if (lengths[label] <= 0 || !objectRecords || label >= recordCapacity || !objectRecords[label]) continue;
    Particle p;
    TraceParticle(frame, label, lengths[label], w, &p);
    if (!p.dropped) particles.push_back(p);
  }
  for (size_t i = 0; i < particles.size(); ++i) ScanArea(frame, ring ? nullptr : rect, i);
  for (size_t i = 0; i < particles.size(); ++i) ScanRings(i);

  for (const Particle& p : particles) {
    if (p.polarity != (objectColour ? 1 : 0) || !valid[p.label]) continue;
    // An outline that does not close, its own or a hole's, has no shape to
    // measure: its walk runs out and back along the open curve.
    if (!p.closed || std::any_of(p.holes.begin(), p.holes.end(),
                                 [&](int h) { return !particles[static_cast<size_t>(h)].closed; }))
      continue;
    Feature f{p.cx, p.cy, p.width, p.height, 0.0, {}, static_cast<uint8_t>(p.centroidByte ? 1 : 0)};
    const double maxR = p.maxRadius > 0 ? p.maxRadius : 1.0;
    f.f[0] = static_cast<float>(static_cast<double>(p.perimeter) * p.perimeter / (std::max(p.area, 1) * kFourPi));
    f.f[1] = static_cast<float>(p.minRadius / maxR);
    f.f[2] = static_cast<float>(p.perimeter / (maxR * kTwoPi));
    f.f[3] = static_cast<float>(p.holeCount / 10.0);
    if (p.holeCount > 0) {
      const double mx = (p.centroidX + p.holeSumX) / (p.holeCount + 1);
      const double my = (p.centroidY + p.holeSumY) / (p.holeCount + 1);
      f.f[4] = static_cast<float>(std::hypot(mx - p.centroidX, my - p.centroidY) / maxR);
      f.f[5] = static_cast<float>(p.maxProduct > 0 ? p.minProduct / p.maxProduct : 0.0);
    }
    f.f[6] = static_cast<float>(p.rmsRadius / maxR);
    // A nearly circular particle crosses its rings unreliably.
    const bool round = std::abs(f.f[6] - 1.0f) < 0.15f || std::abs(f.f[1] - 1.0f) < 0.15f;
    f.f[7] = round ? 0.1f : p.ringMid;
    f.f[8] = round ? 0.1f : p.ringRms;
    f.f[9] = static_cast<float>(p.holeDistance);
    features->push_back(f);
  }
  return !features->empty();
}

}  // namespace oskvel
