#include "shapes_main.h"

#include <algorithm>
#include <cstring>

namespace forvik {

void WorkFrame::Ensure(int width, int depth) {
  if (width == width_ && depth == depth_ && !store_.empty()) return;
  const int bytes = GetFrameSizeParam(width, depth, 8);
  store_.assign((static_cast<size_t>(std::max(bytes, 0)) + 7) / 8, 0);
  InitFrameDIB(store_.data(), width, depth, 8);
  width_ = width;
  depth_ = depth;
}

void WorkFrame::Fill(uint8_t value) {
  Frame* f = get();
  if (!f) return;
  const int bytes = GetFrameSize(f) - static_cast<int>(f->biSize);
  if (bytes > 0) std::memset(GetFrameDataAddr(f), value, static_cast<size_t>(bytes));
}

namespace {

bool Crosses(const CShapesMain& o, unsigned value, bool nothingYet) {
  const int v = static_cast<int>(value);
  return o.objectBright ? v > o.threshold : v < o.threshold && nothingYet;
}

}  // namespace

bool FindFirstCrossing(void* object, int x, int y, unsigned value) {
  auto* o = static_cast<CShapesMain*>(object);
  if (!Crosses(*o, value, o->foundX == -1 && o->foundY == -1)) return true;
  o->foundX = x;
  o->foundY = y;
  return false;
}

bool FindFirstCrossingIndexed(void* record, int x, int y, unsigned value) {
  auto* r = static_cast<IndexedCrossing*>(record);
  CShapesMain* o = r->object;
  const size_t i = static_cast<size_t>(r->index);
  if (!Crosses(*o, value, o->threadFoundX[i] == -1 && o->threadFoundY[i] == -1)) return true;
  o->threadFoundX[i] = x;
  o->threadFoundY[i] = y;
  return false;
}

}  // namespace forvik
