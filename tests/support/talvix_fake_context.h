// A run context on an explicit parameter list, for tests that call the host
// functions directly, without a module.
#pragma once

#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace testing_support {

inline talvix::ParamInfo Param(int type, std::u16string name) { return {type, std::move(name), u""}; }

// Names go to the host as (hi, pointer) pairs; hi 63 as the modules pass it.
inline constexpr int kNameHi = 63;

}  // namespace testing_support
