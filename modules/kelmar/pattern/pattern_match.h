// CPatternMatch: "pattern_match_monochrome" (method 0) and
// "pattern_match_color" (method 1), finding a pattern turned within an
// allowed range of angles.
#pragma once

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CPatternMatch : public CMatch {
 public:
  explicit CPatternMatch(uint32_t methodIndex) : CMatch(methodIndex) {}
  bool Run(const frame::RunArgs& args) override;
};

}  // namespace kelmar
