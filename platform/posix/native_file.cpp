// The file layer's system calls on POSIX systems.
#include "native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarnwick {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// Non-blocking, so that opening a pipe or a device without a partner never waits.
std::intptr_t Open(const std::filesystem::path& path, int flags, std::error_code& error) {
  const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (descriptor < 0) {
    error = LastError();
    return -1;
  }
  error.clear();
  return descriptor;
}

}  // namespace

FileKind KindOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    // Where the system cannot tell (no permission to look), opening the file will.
    return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Regular;
  }
  if (S_ISREG(status.st_mode)) return FileKind::Regular;
  if (S_ISDIR(status.st_mode)) return FileKind::Directory;
  return FileKind::Other;
}

NativeFile::~NativeFile() {
  if (IsOpen()) ::close(Descriptor(handle_));
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
  if (this != &other) {
    if (IsOpen()) ::close(Descriptor(handle_));
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

NativeFile NativeFile::OpenForReading(const std::filesystem::path& path, std::error_code& error) {
  NativeFile file(Open(path, O_RDONLY, error));
  if (error) return file;
  // The path may have been swapped for a pipe or a device since it was looked at.
  struct stat status {};
  if (::fstat(Descriptor(file.handle_), &status) != 0) {
    error = LastError();
    return {};
  }
  if (!S_ISREG(status.st_mode)) {
    error = std::make_error_code(std::errc::invalid_argument);
    return {};
  }
  return file;
}

NativeFile NativeFile::OpenExisting(const std::filesystem::path& path, std::error_code& error) {
  return NativeFile(Open(path, O_WRONLY, error));
}

NativeFile NativeFile::CreateNew(const std::filesystem::path& path, std::error_code& error) {
  return NativeFile(Open(path, O_WRONLY | O_CREAT | O_EXCL, error));
}

std::size_t NativeFile::Read(char* into, std::size_t size, std::error_code& error) {
  for (;;) {
    const ssize_t read = ::read(Descriptor(handle_), into, size);
    if (read >= 0) {
      error.clear();
      return static_cast<std::size_t>(read);
    }
    if (errno != EINTR) {
      error = LastError();
      return 0;
    }
  }
}

void NativeFile::Write(const char* bytes, std::size_t size, std::error_code& error) {
  error.clear();
  while (size > 0) {
    const ssize_t written = ::write(Descriptor(handle_), bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

void NativeFile::SeekToStart(std::error_code& error) {
  error = ::lseek(Descriptor(handle_), 0, SEEK_SET) == 0 ? std::error_code() : LastError();
}

void NativeFile::Truncate(std::uint64_t size, std::error_code& error) {
  error = ::ftruncate(Descriptor(handle_), static_cast<off_t>(size)) == 0 ? std::error_code()
                                                                          : LastError();
}

void NativeFile::Sync(std::error_code& error) {
  // A device or a pipe written in place has nothing to sync.
  error = ::fsync(Descriptor(handle_)) == 0 || errno == EINVAL ? std::error_code() : LastError();
}

void NativeFile::CopyPermissionsOf(const std::filesystem::path& model, std::error_code& error) {
  struct stat wanted {};
  struct stat now {};
  if (::stat(model.c_str(), &wanted) != 0 || ::fstat(Descriptor(handle_), &now) != 0) {
    error = LastError();
    return;
  }
  error.clear();
  // Only what differs, so that a new file's inode is not touched again before the sync.
  if ((now.st_mode & 07777) != (wanted.st_mode & 07777) &&
      ::fchmod(Descriptor(handle_), wanted.st_mode & 07777) != 0) {
    error = LastError();
    return;
  }
  // Only the owner's own groups or root may hand a file on; elsewhere the writer keeps it.
  if (now.st_uid != wanted.st_uid || now.st_gid != wanted.st_gid) {
    [[maybe_unused]] const int ignored =
        ::fchown(Descriptor(handle_), wanted.st_uid, wanted.st_gid);
  }
}

void NativeFile::Close(std::error_code& error) {
  const int descriptor = Descriptor(std::exchange(handle_, kClosed));
  error = ::close(descriptor) == 0 ? std::error_code() : LastError();
}

// A rename that fails leaves both names as they were.
void PutInPlace(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& error, bool& onlyCopy) {
  onlyCopy = false;
  error = ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

bool IsSameFile(const std::filesystem::path& first, const std::filesystem::path& second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error);
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
}

bool IsWriteProtected(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0;
}

bool RefusedForPermission(const std::error_code& error) {
  return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

bool NameTooLong(const std::error_code& error) { return error == std::errc::filename_too_long; }

std::filesystem::path LinkTarget(const std::filesystem::path& path) {
  std::filesystem::path file = path;
  // As many links as the system itself follows before it gives up.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error))) break;
    const std::filesystem::path next = std::filesystem::read_symlink(file, error);
    if (error) break;
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  return file;
}

std::string ErrorText(const std::error_code& error) { return error.message(); }

}  // namespace tarnwick
