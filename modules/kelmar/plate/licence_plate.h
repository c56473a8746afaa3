// CMatchLicencePlate: "licence_plate" (method 6), locating number plates and
// reading their characters. The reader's buffers and plate candidates belong
// here; the first run allocates what it needs.
#pragma once

#include "catalogue.h"
#include "match.h"

namespace kelmar {

class CMatchLicencePlate : public CMatch {
 public:
  CMatchLicencePlate() : CMatch(kLicencePlate) {}
  bool Run(const frame::RunArgs& args) override;
};

}  // namespace kelmar
