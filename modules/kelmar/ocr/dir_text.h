// CMatchDirText: "text_angle" (method 5), the direction of lines of text in a
// region, from the trial angle whose scan lines most often cross no text.
#pragma once

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CMatchDirText : public CMatch {
 public:
  CMatchDirText() : CMatch(kTextAngle) {}
  bool Run(const frame::RunArgs& args) override;
};

}  // namespace kelmar
