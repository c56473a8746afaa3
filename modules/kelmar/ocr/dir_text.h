// CMatchDirText: "text_angle" (method 5), the direction of lines of text in a
// region. The region is copied into a square work frame; for each trial angle
// from -45 to 45 degrees parallel lines are laid across it, and the angle with
// the most lines that cross no text pixel is the text direction.
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CMatchDirText : public CMatch {
 public:
  CMatchDirText() : CMatch(kTextAngle) {}
  bool Run(const frame::RunArgs& args) override;

 private:
  std::vector<uint8_t> workFrame_;  // 8-bit square frame: header, then rows
};

}  // namespace kelmar
