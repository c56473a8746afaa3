// Running a method of any module through its exported interface.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "talvix/host.hpp"

namespace module_test {

// A module, loaded once per test process and kept loaded to its end (the
// host library's own statics go before any test static would).
inline talvix::Module& Load(const std::string& name) {
  static auto* loaded = new std::map<std::string, std::unique_ptr<talvix::Module>>;
  auto& m = (*loaded)[name];
  if (!m) {
    std::string error;
    m = talvix::Module::load(name, &error);
    if (!m) throw std::runtime_error("cannot load " + name + ": " + error);
  }
  return *m;
}

// One instance of a method by id and its run context; the instance is
// released with the object.
struct MethodRun {
  MethodRun(const std::string& module, const std::string& id, talvix::Inspection* inspection = nullptr)
      : mod(Load(module)), index(mod.findMethod(id)), ctx(mod, index, inspection), handle(mod.create(index)) {}
  ~MethodRun() { mod.destroy(handle); }
  talvix::RunResult operator()(int errLen = 255) { return ctx.run(handle, errLen); }

  talvix::Module& mod;
  int index;
  talvix::RunContext ctx;
  intptr_t handle;
};

// Drawing calls of one kind, in order.
inline std::vector<talvix::DrawCall> CallsOf(const std::vector<talvix::DrawCall>& list, const std::string& fn) {
  std::vector<talvix::DrawCall> out;
  for (const auto& c : list)
    if (c.fn == fn) out.push_back(c);
  return out;
}

}  // namespace module_test
