// The layer's diagnostic channel (shader logs, missing files). It goes to a
// sink: nowhere by default, standard error when VISION_GPU_DEBUG is set, or
// wherever a test puts it.
#pragma once

#include <functional>
#include <string_view>

namespace gpu {

using DebugSink = std::function<void(std::string_view text)>;

// Installs a sink (an empty one restores the default) and answers the old one.
DebugSink SetDebugSink(DebugSink sink);
void DebugOutput(std::string_view text);

}  // namespace gpu
