// Warnings, service requests and file paths.
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

// The block starts with a 128-character message area that only the host writes.
constexpr int kMessageChars = 128;
constexpr int kMessageBytes = kMessageChars * 2;

void WriteMessage(void* block, int blockSize, std::u16string_view text) {
  if (!block || blockSize < kMessageBytes) return;
  size_t n = std::min(text.size(), static_cast<size_t>(kMessageChars - 1));
  std::u16string msg(text.substr(0, n));
  msg.push_back(0);
  std::memcpy(block, msg.data(), msg.size() * 2);
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

// No GL context in this host yet: every request is refused with a reason.
bool CameraCallback(void* ctx, int nameLen, const char16_t* name, int blockSize, void* block) {
  (void)ctx;
  (void)nameLen;
  (void)name;
  talvix::WriteMessage(block, blockSize, u"OpenGL is not available in this host");
  return false;
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
