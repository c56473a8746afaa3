// Warnings and file paths.
#include <cstring>
#include <filesystem>
#include <mutex>

#include "context.h"

namespace talvix {
namespace {

struct DataDir {
  std::mutex mu;
  std::string path;
};

DataDir& TheDataDir() {
  static DataDir d;
  return d;
}

// A relative path is joined to the data directory. False when the result does
// not fit hi + 1 characters (terminator included) or the check fails.
template <class Check>
bool ResolvePath(int hi, char16_t* path, Check check) {
  if (!path || hi < 0) return false;
  std::filesystem::path p(ToUtf8(ReadText(hi, path)));
  if (p.empty()) return false;
  if (p.is_relative()) {
    std::string dir = DataDirectory();
    std::error_code ec;
    std::filesystem::path base = dir.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(dir);
    if (ec) return false;
    p = base / p;
  }
  std::error_code ec;
  if (!check(p, ec) || ec) return false;
  std::u16string out = ToU16(p.string());
  if (out.size() > static_cast<size_t>(hi)) return false;
  std::memcpy(path, out.data(), out.size() * 2);
  path[out.size()] = 0;
  return true;
}

}  // namespace

void SetDataDirectory(const std::string& dir) {
  std::lock_guard lock(TheDataDir().mu);
  TheDataDir().path = dir;
}

std::string DataDirectory() {
  std::lock_guard lock(TheDataDir().mu);
  return TheDataDir().path;
}

}  // namespace talvix

extern "C" {

void AddWarning(void* ctx, int hi, const char16_t* text) {
  talvix::NoThrow([&] {
    if (!ctx) return;
    auto& s = *talvix::FromContext(ctx);
    std::u16string t = talvix::ReadText(hi, text);
    std::lock_guard lock(s.mu);
    s.warnings.push_back(std::move(t));
  });
}

bool FindPath(int hi, char16_t* path) {
  return talvix::ResolvePath(hi, path, [](const std::filesystem::path& p, std::error_code& ec) {
    return std::filesystem::exists(p, ec) && !std::filesystem::is_directory(p, ec);
  });
}

bool FindNewPath(int hi, char16_t* path) {
  return talvix::ResolvePath(hi, path, [](const std::filesystem::path& p, std::error_code& ec) {
    std::filesystem::path dir = p.parent_path();
    return dir.empty() || std::filesystem::is_directory(dir, ec);
  });
}

}  // extern "C"
