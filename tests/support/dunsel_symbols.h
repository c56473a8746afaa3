// The barcode reader of the tests: reader objects run through the exported
// interface, on the symbols of barcode_render.h.
#pragma once

#include <gtest/gtest.h>
#include <omp.h>

#include <memory>
#include <string>

#include "barcode_render.h"
#include "module_run.h"
#include "talvix/host.hpp"

namespace dunsel_test {

// A reader object of the module, created for one method and destroyed with
// the fixture, run through the exported interface.
class Reader {
 public:
  explicit Reader(const std::string& id) : index_(Module().findMethod(id)), handle_(Module().create(index_)) {}
  ~Reader() { Module().destroy(handle_); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  talvix::RunResult run(talvix::RunContext& ctx, int errLen = 255) { return ctx.run(handle_, errLen); }
  int index() const { return index_; }

  static talvix::Module& Module() { return module_test::Load("dunsel"); }

 private:
  int index_;
  intptr_t handle_;
};

inline std::string Utf8(const std::u16string& s) { return talvix::ToUtf8(s); }

}  // namespace dunsel_test
