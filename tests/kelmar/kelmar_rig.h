// Loading kelmar once per test process and running its methods through the
// exported interface.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "talvix/host.hpp"

namespace kelmar_test {

inline talvix::Module& Kelmar() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("kelmar", &error);
    if (!loaded) ADD_FAILURE() << "cannot load kelmar: " << error;
    return loaded;
  }();
  return *m;
}

// One method instance with its run context; the instance is destroyed with it.
struct Instance {
  explicit Instance(int index, talvix::Inspection* inspection = nullptr)
      : handle(Kelmar().create(index)), ctx(Kelmar(), index, inspection) {}
  ~Instance() { Kelmar().destroy(handle); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  talvix::RunResult run(int errLen = 255) { return ctx.run(handle, errLen); }
  intptr_t handle;
  talvix::RunContext ctx;
};

}  // namespace kelmar_test
