// Running gantrel methods through the module's exported interface: one
// method object per run helper, created with InitMethod and released with
// DoneMethod.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "talvix/host.hpp"

namespace gantrel_test {

inline talvix::Module& Gantrel() {
  static std::unique_ptr<talvix::Module> m = [] {
    std::string error;
    auto loaded = talvix::Module::load("gantrel", &error);
    if (!loaded) ADD_FAILURE() << "cannot load gantrel: " << error;
    return loaded;
  }();
  return *m;
}

// A method object and a run context for it; the object lives as long as the
// helper, so that successive runs share its state.
struct MethodRun {
  explicit MethodRun(const std::string& id)
      : index(Gantrel().findMethod(id)), handle(Gantrel().create(index)), ctx(Gantrel(), index) {}
  ~MethodRun() { Gantrel().destroy(handle); }
  MethodRun(const MethodRun&) = delete;
  MethodRun& operator=(const MethodRun&) = delete;

  talvix::RunResult operator()(int errLen = 255) { return ctx.run(handle, errLen); }

  int index;
  intptr_t handle;
  talvix::RunContext ctx;
};

inline std::string Utf8(const std::u16string& s) { return talvix::ToUtf8(s); }

// Number of drawing calls of one function.
inline int DrawCount(const talvix::RunContext& ctx, const std::string& fn) {
  int n = 0;
  for (const talvix::DrawCall& c : ctx.drawList()) n += c.fn == fn ? 1 : 0;
  return n;
}

}  // namespace gantrel_test
