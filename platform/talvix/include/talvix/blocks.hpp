// The host's allocation of string and data blocks, for the maker-library
// stand-ins, so that the host frees what they make.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "talvix_types.h"

namespace talvix {

HostString NewHostString(std::u16string_view text);
void FreeStringBlock(HostString s);
DataObject NewDataBlock(const std::vector<uint8_t>& bytes);
void FreeDataBlock(DataObject d);

}  // namespace talvix
