#include "gpu/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace gpu {
namespace {

std::mutex g_mu;
DebugSink g_sink;

}  // namespace

DebugSink SetDebugSink(DebugSink sink) {
  std::lock_guard lock(g_mu);
  DebugSink old = std::move(g_sink);
  g_sink = std::move(sink);
  return old;
}

void DebugOutput(std::string_view text) {
  DebugSink sink;
  {
    std::lock_guard lock(g_mu);
    sink = g_sink;
  }
  if (sink) {
    sink(text);
  } else if (std::getenv("VISION_GPU_DEBUG")) {
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
}

}  // namespace gpu
