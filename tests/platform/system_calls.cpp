#include "system_calls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace tarnwick::testing {

namespace {

std::vector<std::string> calls;
int readsLeft = -1;     // negative: no read fails
int creationError = 0;  // 0: files are made as usual
enum class RenameFailure { None, KeepingTheTarget, RemovingTheTarget } renameFailure;

template <typename Function>
Function* Real(const char* name) {
  return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

std::string PathOf(int descriptor) {
  char path[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
  const ssize_t length = ::readlink(link.c_str(), path, sizeof path);
  return length < 0 ? link : std::string(path, static_cast<std::size_t>(length));
}

}  // namespace

std::vector<std::string> TakeSyncAndRenameCalls() {
  std::vector<std::string> taken;
  taken.swap(calls);
  return taken;
}

void FailReadsAfter(int successful) { readsLeft = successful; }

void EndReadFailures() { readsLeft = -1; }

void FailCreationWith(int error) { creationError = error; }

void FailNextRename(bool removingTheTarget) {
  renameFailure =
      removingTheTarget ? RenameFailure::RemovingTheTarget : RenameFailure::KeepingTheTarget;
}

void EndCreationFailures() { creationError = 0; }

}  // namespace tarnwick::testing

using tarnwick::testing::calls;
using tarnwick::testing::creationError;
using tarnwick::testing::PathOf;
using tarnwick::testing::readsLeft;
using tarnwick::testing::Real;
using tarnwick::testing::RenameFailure;
using tarnwick::testing::renameFailure;

extern "C" int open(const char* path, int flags, ...) {
  if (creationError != 0 && (flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL)) {
    errno = creationError;
    return -1;
  }
  // The mode is given only with the flags that make a file.
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  static auto* const real = Real<int(const char*, int, ...)>("open");
  return real(path, flags, mode);
}

extern "C" ssize_t read(int descriptor, void* into, size_t size) {
  if (readsLeft == 0) {
    errno = EIO;
    return -1;
  }
  if (readsLeft > 0) --readsLeft;
  static auto* const real = Real<ssize_t(int, void*, size_t)>("read");
  return real(descriptor, into, size);
}

extern "C" int fsync(int descriptor) {
  calls.push_back("fsync " + PathOf(descriptor));
  static auto* const real = Real<int(int)>("fsync");
  return real(descriptor);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  calls.push_back(std::string("rename ") + from + " " + to);
  if (renameFailure != RenameFailure::None) {
    if (renameFailure == RenameFailure::RemovingTheTarget) ::unlink(to);
    renameFailure = RenameFailure::None;
    errno = EIO;
    return -1;
  }
  static auto* const real = Real<int(const char*, const char*)>("rename");
  return real(from, to);
}
