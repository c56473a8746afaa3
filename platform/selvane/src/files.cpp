#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "selvane.h"
#include "talvix/host.hpp"

namespace selvane {
namespace {

// The path up to its NUL, or false when none lies within hi + 1 characters.
bool PathOf(int hi, const char16_t* path, std::string* out) {
  if (!path || hi < 0) return false;
  for (int i = 0; i <= hi; ++i) {
    if (path[i] == 0) {
      if (i == 0) return false;
      *out = talvix::ToUtf8(std::u16string(path, path + i));
      return true;
    }
  }
  return false;
}

int Open(int hi, const char16_t* path, int flags) {
  std::string p;
  if (!PathOf(hi, path, &p)) return -1;
  int fd;
  do {
    fd = ::open(p.c_str(), flags | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? -1 : fd;
}

}  // namespace

int OpenRead(int hi, const char16_t* path, int) { return Open(hi, path, O_RDONLY); }

int Create(int hi, const char16_t* path, int) { return Open(hi, path, O_WRONLY | O_CREAT | O_TRUNC); }

int Read(int handle, int, void* buf, int length) {
  if (handle < 0 || !buf || length <= 0) return 0;
  auto* p = static_cast<char*>(buf);
  int done = 0;
  while (done < length) {
    const ssize_t r = ::read(handle, p + done, static_cast<size_t>(length - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<int>(r);
  }
  return done;
}

int Write(int handle, int, const void* buf, int length) {
  if (handle < 0 || !buf || length <= 0) return 0;
  auto* p = static_cast<const char*>(buf);
  int done = 0;
  while (done < length) {
    const ssize_t r = ::write(handle, p + done, static_cast<size_t>(length - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<int>(r);
  }
  return done;
}

int Close(int handle) { return handle < 0 ? -1 : ::close(handle); }

}  // namespace selvane
