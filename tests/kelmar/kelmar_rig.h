// Loading kelmar once per test process and running its methods through the
// exported interface.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/run_args.h"
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

// A method object of the test process run on the module's catalogue entry
// `index`, so that a test can reach its inner state (a fixed sample seed).
template <typename Method>
struct DirectRun {
  template <typename... Args>
  explicit DirectRun(int index, Args&&... args) : ctx(Kelmar(), index), method(std::forward<Args>(args)...) {}
  bool run() {
    ctx.beginRun();
    const auto in = ctx.inputList(), out = ctx.outputList();
    std::fill(err.begin(), err.end(), 0);
    return method.Run(frame::RunArgs{ctx.hostContext(), in.list, in.names, out.list, out.names, 255, err.data()});
  }
  std::u16string error() const { return err.data(); }
  talvix::RunContext ctx;
  Method method;
  std::vector<char16_t> err = std::vector<char16_t>(256, 0);
};

}  // namespace kelmar_test
