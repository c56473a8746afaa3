#pragma once

#include <optional>
#include <string>

#include "context.h"

namespace talvix {

struct FilterAnswer {
  bool ok;
  std::u16string message;
};

// Nullopt when the name is none of the filter services.
std::optional<FilterAnswer> ServeFilter(RunContext::State* run, const std::u16string& name, void* block, int size);

}  // namespace talvix
