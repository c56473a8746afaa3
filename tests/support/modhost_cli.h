// Running the built modhost binary from tests: arguments in, exit status,
// standard output and standard error out; a temporary directory per test; PNG
// files read and written with stb (the implementation lives in one test file).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace modhost_test {

namespace fs = std::filesystem;

inline const std::string kModhost = VISION_BINARY_DIR "/bin/modhost";
// The test module whose method "echo" hands every input back as "<name> out".
inline const std::string kEchoModule = VISION_BINARY_DIR "/modhost-fixtures/echo.so";
inline const std::string kSamples = VISION_SOURCE_DIR "/samples";

struct Result {
  int status = -1;
  std::string out, err;
  nlohmann::json json() const { return nlohmann::json::parse(out); }
};

inline std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// A directory of its own for each test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = fs::temp_directory_path() / ("modhost_test_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Runs modhost with the arguments (and extra NAME=VALUE environment entries),
// standard output and error going to files in `dir`.
inline Result RunModhost(const std::vector<std::string>& args, const TempDir& dir,
                         const std::vector<std::string>& env = {}) {
  const std::string outPath = dir / ".stdout", errPath = dir / ".stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(kModhost.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  pid_t pid = 0;
  Result r;
  int rc = posix_spawn(&pid, kModhost.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << kModhost;
    return r;
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
}

// A picture as a file stores it: top-down rows of `channels` bytes per pixel.
struct Picture {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> bytes;
  const uint8_t* at(int x, int yFromTop) const {
    return &bytes[(static_cast<size_t>(yFromTop) * width + x) * channels];
  }
  bool operator==(const Picture&) const = default;
};

inline Picture ReadPng(const std::string& path) {
  Picture p;
  stbi_uc* data = stbi_load(path.c_str(), &p.width, &p.height, &p.channels, 0);
  if (!data) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  p.bytes.assign(data, data + static_cast<size_t>(p.width) * p.height * p.channels);
  stbi_image_free(data);
  return p;
}

inline void WritePng(const Picture& p, const std::string& path) {
  ASSERT_TRUE(stbi_write_png(path.c_str(), p.width, p.height, p.channels, p.bytes.data(), p.width * p.channels));
}

// A picture whose every pixel differs from its mirror images: byte c of pixel
// (x, row) is a hash of all three, so a flip or a channel swap shows.
inline Picture Asymmetric(int width, int height, int channels) {
  Picture p{width, height, channels, std::vector<uint8_t>(static_cast<size_t>(width) * height * channels)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        p.bytes[(static_cast<size_t>(y) * width + x) * channels + c] =
            static_cast<uint8_t>(x * 7 + y * 31 + c * 85 + ((x * y) >> 3));
      }
    }
  }
  return p;
}

}  // namespace modhost_test
