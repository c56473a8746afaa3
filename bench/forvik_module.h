// The forvik module the benchmarks drive, loaded once per process.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "talvix/host.hpp"

// Null, with the benchmark skipped and the loader's reason given, when the
// module cannot be loaded. The module is made by the static's initialiser, so
// it is unloaded before the host state its loading set up.
inline talvix::Module* ForvikModule(benchmark::State& state) {
  static std::string error;
  static const std::unique_ptr<talvix::Module> m = talvix::Module::load("forvik", &error);
  if (!m) state.SkipWithError(("forvik module not found: " + error).c_str());
  return m.get();
}
