// Methods whose engines are not built yet answer false with a text.
#include "filters.h"

namespace jorvel {

namespace {

class CPending final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override { return a.fail(kNotImplemented); }
};

}  // namespace

std::unique_ptr<CFilter> MakeRankFilter(int method) { return std::make_unique<CPending>(method); }
std::unique_ptr<CFilter> MakeFlatFieldFilter(int method) { return std::make_unique<CPending>(method); }

}  // namespace jorvel
