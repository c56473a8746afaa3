// Loading kelmar once per test process and running its methods through the
// exported interface.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "module_run.h"
#include "talvix/host.hpp"

namespace kelmar_test {

// The module, loaded once per test process.
inline talvix::Module& Kelmar() { return module_test::Load("kelmar"); }

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
