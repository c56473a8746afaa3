// CMatchOCR: "optical_character_recognition" (method 3), reading text against
// a table of characters trained from a pattern frame; CMatchSimpleOCR (method
// 4) is the same reader on a single line of text and keeps method index 3.
#pragma once

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CMatchOCR : public CMatch {
 public:
  CMatchOCR() : CMatch(kPatternOcr) {}
  bool Run(const frame::RunArgs& args) override;

 protected:
  bool singleLine_ = false;
};

class CMatchSimpleOCR : public CMatchOCR {
 public:
  CMatchSimpleOCR() { singleLine_ = true; }
};

}  // namespace kelmar
