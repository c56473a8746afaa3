// CMatchLatinOCR: "latin_optical_character_recognition" (method 2), reading
// Latin letters and digits without a trained table. The reader's own state
// and work buffers belong here; the first run allocates what it needs.
#pragma once

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CMatchLatinOCR : public CMatch {
 public:
  CMatchLatinOCR() : CMatch(kLatinOcr) {}
  bool Run(const frame::RunArgs& args) override;

 private:
  // Class-set sizes, fixed when the object is made.
  int classCount_ = 127;
  int caronClassCount_ = 14;
  int acuteClassCount_ = 13;
  int markClassCount_ = 29;
};

}  // namespace kelmar
