// The run parameters of the pattern-trained reader, as read and corrected.
#pragma once

#include "ocr/pattern_ocr.h"

namespace kelmar {

struct CMatchOCR::Params {
  float acceptance = 0.55f;
  char16_t substitution = u'?';
  int minimalSize = 10;
  int verticalSpacing = 0;
  int horizontalSpacing = 0;
  float speed = 0.5f;
  int threshold = -1;         // -1: automatic
  int patternThreshold = -1;  // -1: automatic
  bool negative = false;
  int scale = 0;
  bool show = true;
};

}  // namespace kelmar
