// The catalogue of nesbar: grey-value and binary pattern matching on the GPU.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace nesbar {

enum Method { kGreyPattern, kBinaryPattern, kMethodCount };

extern const frame::Catalogue kCatalogue;
const ModuleResourceTable& Resources();

}  // namespace nesbar
