// Joining of split traces in the mark frame.
#include "joins.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace oskvel {

namespace {

struct Mark {
  uint8_t* data;
  ptrdiff_t stride;
  int w, h;

  bool In(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  uint8_t& At(int x, int y) { return data[static_cast<ptrdiff_t>(y) * stride + x]; }
};

struct End {
  int x, y;
  int label;
  bool used;
};

int Root(std::vector<int>& parent, int a) {
  while (parent[static_cast<size_t>(a)] != a) {
    parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(parent[static_cast<size_t>(a)])];
    a = parent[static_cast<size_t>(a)];
  }
  return a;
}

int Gap(int x0, int y0, int x1, int y1) { return std::max(std::abs(x1 - x0), std::abs(y1 - y0)); }

void Unite(std::vector<int>& parent, int a, int b) {
  const int ra = Root(parent, a), rb = Root(parent, b);
  parent[static_cast<size_t>(std::max(ra, rb))] = std::min(ra, rb);
}

// A straight run of the label between two pixels over free pixels; a small
// piece that lies across the run joins the label.
void Bridge(Mark& m, int x0, int y0, int x1, int y1, int label, const std::vector<TracePiece>& pieces,
            std::vector<int>& parent) {
  const int steps = Gap(x0, y0, x1, y1);
  for (int k = 1; k < steps; ++k) {
    const int x = x0 + static_cast<int>(std::lround(static_cast<double>(k) * (x1 - x0) / steps));
    const int y = y0 + static_cast<int>(std::lround(static_cast<double>(k) * (y1 - y0) / steps));
    if (!m.In(x, y)) return;
    uint8_t& v = m.At(x, y);
    if (v == CBorderDetection::kFree) {
      v = static_cast<uint8_t>(label);
    } else if (v < parent.size() && v != label && pieces[v].steps > 0 && pieces[v].small) {
      Unite(parent, label, v);
    }
  }
}

}  // namespace

std::vector<int> JoinTraces(Frame* mark, const BorderEndPoint* ends, int endCount,
                            const std::vector<TracePiece>& pieces) {
  const int labels = static_cast<int>(std::min<size_t>(pieces.size(), CBorderDetection::kLabelSlots));
  std::vector<int> parent(static_cast<size_t>(labels));
  for (int l = 0; l < labels; ++l) parent[static_cast<size_t>(l)] = l;
  if (!mark || labels == 0) return parent;
  Mark m{GetFrameDataAddr(mark), (GetFrameWidth(mark) + 3) & ~3, GetFrameWidth(mark), GetFrameDepth(mark)};
  const auto isPiece = [&](int l) { return l >= 0 && l < labels && pieces[static_cast<size_t>(l)].steps > 0; };

  // The two ends of each piece. A piece is open when they lie apart (the
  // detection's own flag also calls a trace closed whose continuation was
  // short, though its ends never met).
  std::vector<End> open;
  std::vector<int> endsOf(static_cast<size_t>(labels), 0);
  std::vector<End> first(static_cast<size_t>(labels));
  for (int i = 0; i <= std::min(endCount, CBorderDetection::kMaxEndPoints - 1); ++i) {
    const int l = ends[i].label;
    if (!isPiece(l)) continue;
    const End e{static_cast<int>(ends[i].x), static_cast<int>(ends[i].y), l, false};
    const int n = endsOf[static_cast<size_t>(l)]++;
    if (n == 0) {
      first[static_cast<size_t>(l)] = e;
    } else if (n == 1 && Gap(e.x, e.y, first[static_cast<size_t>(l)].x, first[static_cast<size_t>(l)].y) > 1) {
      open.push_back(first[static_cast<size_t>(l)]);
      open.push_back(e);
    }
  }

  // A piece whose own two ends (a pair in `open`) lie close is closed on
  // itself.
  for (size_t i = 0; i + 1 < open.size(); i += 2) {
    End &a = open[i], &b = open[i + 1];
    if (Gap(a.x, a.y, b.x, b.y) > kMaxJoinGap) continue;
    Bridge(m, a.x, a.y, b.x, b.y, a.label, pieces, parent);
    a.used = b.used = true;
  }

  // An end still open joins the nearest free end of another open piece, or
  // the nearest pixel of a small piece (a scrap the trace ran into).
  struct Box {
    int minX, minY, maxX, maxY;
  };
  std::vector<Box> box(static_cast<size_t>(labels));
  for (int l = 0; l < labels; ++l) {
    const TracePiece& p = pieces[static_cast<size_t>(l)];
    box[static_cast<size_t>(l)] = {p.minX - 1, p.minY - 1, p.maxX + 1, p.maxY + 1};
  }
  for (End& a : open) {
    if (a.used) continue;
    int best = -1, bestD = kMaxJoinGap * kMaxJoinGap * 2 + 1, bx = 0, by = 0;
    End* bestEnd = nullptr;
    for (End& b : open) {
      if (b.used || b.label == a.label || Gap(a.x, a.y, b.x, b.y) > kMaxJoinGap) continue;
      const int d = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
      if (d < bestD) best = b.label, bestD = d, bx = b.x, by = b.y, bestEnd = &b;
    }
    for (int y = a.y - kMaxJoinGap; y <= a.y + kMaxJoinGap; ++y) {
      for (int x = a.x - kMaxJoinGap; x <= a.x + kMaxJoinGap; ++x) {
        if (!m.In(x, y)) continue;
        const int l = m.At(x, y);
        if (l == a.label || !isPiece(l) || !pieces[static_cast<size_t>(l)].small) continue;
        const int d = (x - a.x) * (x - a.x) + (y - a.y) * (y - a.y);
        if (d < bestD) best = l, bestD = d, bx = x, by = y, bestEnd = nullptr;
      }
    }
    if (best < 0) continue;
    Bridge(m, a.x, a.y, bx, by, a.label, pieces, parent);
    a.used = true;
    if (bestEnd) bestEnd->used = true;
    Unite(parent, a.label, best);
  }
  bool joined = false;
  for (int l = 0; l < labels && !joined; ++l) joined = Root(parent, l) != l;
  if (!joined) return parent;

  // Every joined label takes its group's lowest label; the bridges lie in
  // the box of the group's pieces.
  std::vector<int> root(static_cast<size_t>(labels));
  std::vector<Box> group(static_cast<size_t>(labels), Box{m.w, m.h, -1, -1});
  for (int l = 0; l < labels; ++l) {
    const int r = root[static_cast<size_t>(l)] = Root(parent, l);
    if (r == l || !isPiece(l)) continue;
    Box& g = group[static_cast<size_t>(r)];
    for (const Box& b : {box[static_cast<size_t>(l)], box[static_cast<size_t>(r)]}) {
      g = {std::min(g.minX, b.minX), std::min(g.minY, b.minY), std::max(g.maxX, b.maxX), std::max(g.maxY, b.maxY)};
    }
  }
  for (int r = 0; r < labels; ++r) {
    const Box& g = group[static_cast<size_t>(r)];
    for (int y = std::max(g.minY, 0); y <= std::min(g.maxY, m.h - 1); ++y) {
      for (int x = std::max(g.minX, 0); x <= std::min(g.maxX, m.w - 1); ++x) {
        uint8_t& v = m.At(x, y);
        if (v < labels && v != r && root[v] == r) v = static_cast<uint8_t>(r);
      }
    }
  }
  return root;
}

}  // namespace oskvel
