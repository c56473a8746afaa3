#include <algorithm>
#include <cstring>

#include "kavrin.h"
#include "talvix/blocks.hpp"

namespace kavrin {

void AllocateBlock(DataObject* slot, int size) {
  if (!slot || size < 0) return;
  DataObject d = talvix::NewDataBlock(std::vector<uint8_t>(static_cast<size_t>(size)));
  if (!d) return;
  d->length = 0;
  if (*slot) talvix::FreeDataBlock(*slot);
  *slot = d;
}

void GrowBlock(DataObject* slot, int size) {
  if (!slot || size < 0) return;
  if (!*slot) return AllocateBlock(slot, size);
  if ((*slot)->capacity >= size) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  const int keep = std::clamp((*slot)->capacity, 0, size);
  std::memcpy(bytes.data(), (*slot)->data, static_cast<size_t>(keep));
  DataObject d = talvix::NewDataBlock(bytes);
  if (!d) return;
  d->length = std::clamp((*slot)->length, 0, keep);
  talvix::FreeDataBlock(*slot);
  *slot = d;
}

}  // namespace kavrin
