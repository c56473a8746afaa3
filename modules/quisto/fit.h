// The object behind fit_line and fit_circle: it keeps its work arrays (the
// points, the points about their mean and their squared distances) between runs.
#pragma once

#include <vector>

#include "run.h"

namespace quisto {

class CFit {
 public:
  explicit CFit(int type) : type_(type) {}
  virtual ~CFit() = default;
  bool Run(const RunArgs& a);

 private:
  bool FitLine(const RunArgs& a, bool show);
  bool FitCircle(const RunArgs& a, bool show);

  int type_;  // kFitLine or kFitCircle
  std::vector<float> x_, y_, u_, v_, z_;
  double sx_ = 0, sy_ = 0;
};

}  // namespace quisto
