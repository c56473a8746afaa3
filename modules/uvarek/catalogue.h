// The catalogue of uvarek: DCT, DFT and FFT of averaged scan lines.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace uvarek {

inline constexpr int kMethodCount = 3;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace uvarek
