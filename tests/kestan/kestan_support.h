// Fixtures of the feature-module tests: pictures with blobs, a private copy
// of the module beside shader files of a test's choosing, and the descriptor
// file's fields.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "gpu/programs.h"
#include "kavrin.h"
#include "module_run.h"
#include "record.h"
#include "talvix/host.hpp"

namespace kestan_test {

namespace fs = std::filesystem;
using talvix::FrameBuffer;

struct Blob {
  double x, y, sigma;
  int contrast;  // added to the background, may be negative
};

// An 8-bit picture: grey 128 with Gaussian blobs (memory-row coordinates).
inline FrameBuffer Blobs(int w, int h, const std::vector<Blob>& blobs) {
  FrameBuffer f = FrameBuffer::make(w, h, 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double v = 128;
      for (const Blob& b : blobs) {
        const double d2 = (x - b.x) * (x - b.x) + (y - b.y) * (y - b.y);
        v += b.contrast * std::exp(-d2 / (2 * b.sigma * b.sigma));
      }
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  return f;
}

// The picture turned by a quarter: (x, y) goes to (h - 1 - y, x).
inline FrameBuffer Quarter(const FrameBuffer& src) {
  const int w = src.width(), h = src.depth();
  FrameBuffer f = FrameBuffer::make(h, w, src.bpp());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.pixel(h - 1 - y, x)[0] = src.pixel(x, y)[0];
  return f;
}

inline std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The header and records of a descriptor file's bytes.
struct Parsed {
  int32_t tag = 0, version = 0;
  kestan::DescriptorHeader header{};
  std::vector<kestan::FeatureRecord> records;
};
inline Parsed Parse(const std::vector<uint8_t>& b) {
  Parsed p;
  if (b.size() < 88) return p;
  std::memcpy(&p.tag, b.data(), 4);
  std::memcpy(&p.version, b.data() + 4, 4);
  std::memcpy(&p.header, b.data() + 8, 80);
  for (size_t at = 88; at + 328 <= b.size(); at += 328) {
    kestan::FeatureRecord r;
    std::memcpy(&r, b.data() + at, 328);
    p.records.push_back(r);
  }
  return p;
}

// A temporary directory that is removed with the object.
class TempDir {
 public:
  TempDir() {
    static int n = 0;
    path_ = fs::temp_directory_path() /
            ("kestan_test_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A copy of the built module in a directory of its own, with the built
// shader files beside it; a test replaces or removes some of them.
class PrivateModule {
 public:
  explicit PrivateModule(const std::map<std::string, std::string>& replaced,
                         const std::vector<std::string>& removed = {}) {
    const fs::path built = fs::path(talvix::DefaultModuleDirectory());
    fs::copy_file(built / "kestan.so", dir_.path() / "kestan.so");
    for (const auto& e : fs::directory_iterator(built)) {
      const std::string name = e.path().filename().string();
      if (name.ends_with("sh_bin")) fs::copy_file(e.path(), dir_.path() / name);
    }
    for (const auto& [name, source] : replaced) WriteFile(dir_.path() / (name + "_bin"), kavrin::EncodeShader(source, gpu::kShaderKey));
    for (const std::string& name : removed) fs::remove(dir_.path() / (name + "_bin"));
    std::string error;
    module_ = talvix::Module::load((dir_.path() / "kestan.so").string(), &error);
    if (!module_) ADD_FAILURE() << error;
  }
  talvix::Module& module() { return *module_; }

 private:
  TempDir dir_;
  std::unique_ptr<talvix::Module> module_;
};

// One instance of a method of a given module copy and its run context.
struct Instance {
  Instance(talvix::Module& m, const std::string& id, talvix::Inspection* inspection = nullptr)
      : mod(m), index(m.findMethod(id)), ctx(m, index, inspection), handle(m.create(index)) {}
  ~Instance() {
    if (handle) mod.destroy(handle);
  }
  talvix::RunResult operator()() { return ctx.run(handle); }

  talvix::Module& mod;
  int index;
  talvix::RunContext ctx;
  intptr_t handle;
};

}  // namespace kestan_test
