// Median, minimum, maximum and extreme.
#include "filters.h"
#include "rank.h"

namespace jorvel {

namespace {

class CMedian final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, in.bpp, &out)) return false;
    const int r = ReadInt(a, 1, 1, 1, 10);
    RankMedian(in.frame, out, in.depth, in.width, r);
    return true;
  }
};

using Engine = void (*)(Frame*, Frame*, int, int, int, float, RankPlanes&);

class CRank final : public CFilter {
 public:
  CRank(int method, Engine engine) : CFilter(method), engine_(engine) {}
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, in.bpp, &out)) return false;
    const int r = ReadInt(a, 1, 1, 0, 10);
    const float i = ReadReal(a, 2, 1.0f, 0.0f, 1.0f);
    engine_(in.frame, out, in.depth, in.width, r, i, planes_);
    return true;
  }

 private:
  Engine engine_;
  RankPlanes planes_;
};

}  // namespace

std::unique_ptr<CFilter> MakeRankFilter(int method) {
  switch (method) {
    case 6: return std::make_unique<CMedian>(method);
    case 7: return std::make_unique<CRank>(method, RankMinimum);
    case 8: return std::make_unique<CRank>(method, RankMaximum);
    case 9: return std::make_unique<CRank>(method, RankExtreme);
    default: return nullptr;
  }
}

}  // namespace jorvel
