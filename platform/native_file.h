#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace tarnwick {

// What a path names, as the file layer tells sources and targets apart.
enum class FileKind {
  Missing,
  Regular,
  Directory,
  Other,  // a device, a pipe, a socket, or on Windows a reserved device name such as CON
};

// The kind of the file `path` names, following links.
FileKind KindOf(const std::filesystem::path& path);

// One open file of the system, closed when it goes. The few operations the file layer needs, the
// same on POSIX and Windows; every failure comes back as the system's error.
class NativeFile {
 public:
  NativeFile() = default;
  ~NativeFile();
  NativeFile(NativeFile&& other) noexcept;
  NativeFile& operator=(NativeFile&& other) noexcept;
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  // Never blocks: a source that is not a regular file is refused before it is opened.
  static NativeFile OpenForReading(const std::filesystem::path& path, std::error_code& error);
  // An existing file, opened for writing without emptying it.
  static NativeFile OpenExisting(const std::filesystem::path& path, std::error_code& error);
  // A file that did not exist before: fails when `path` exists.
  static NativeFile CreateNew(const std::filesystem::path& path, std::error_code& error);

  bool IsOpen() const { return handle_ != kClosed; }

  // Up to `size` bytes; 0 at the end of the file.
  std::size_t Read(char* into, std::size_t size, std::error_code& error);
  // All `size` bytes, or an error.
  void Write(const char* bytes, std::size_t size, std::error_code& error);
  void SeekToStart(std::error_code& error);
  // Cuts the file to its first `size` bytes.
  void Truncate(std::uint64_t size, std::error_code& error);
  // Everything written is on the disk when it returns.
  void Sync(std::error_code& error);
  // Gives the newly created file the permissions (and, where allowed, the owner) of `model`.
  void CopyPermissionsOf(const std::filesystem::path& model, std::error_code& error);
  void Close(std::error_code& error);

 private:
  static constexpr std::intptr_t kClosed = -1;
  explicit NativeFile(std::intptr_t handle) : handle_(handle) {}

  std::intptr_t handle_ = kClosed;  // a POSIX descriptor or a Windows HANDLE
};

// Puts `from` in the place of `to`, replacing it; `to` then holds either its old bytes or all of
// `from`'s. On Windows a replacement that another program interferes with may fail having
// removed `to` (or left it to be removed when that program lets go of it): `onlyCopy` is then
// set, and `from`, whole, must be kept.
void PutInPlace(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& error, bool& onlyCopy);

// Whether the two paths name the same existing file (through links too).
bool IsSameFile(const std::filesystem::path& first, const std::filesystem::path& second);

// The file a chain of symbolic links ends at; `path` itself when it is none.
std::filesystem::path LinkTarget(const std::filesystem::path& path);

// Which file a path names, following links: two spellings of one path, a link and a hard link
// all give the same identity.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;

  auto operator<=>(const FileIdentity&) const = default;
};

// Nothing when no file can be found there.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// Whether the file's own permissions forbid writing it to anyone: none of its write bits set on
// POSIX, the read-only attribute on Windows. Root and administrators are refused it too.
bool IsWriteProtected(const std::filesystem::path& path);

// Whether a file could not be made because the folder refuses it to this user.
bool RefusedForPermission(const std::error_code& error);

// Whether a file could not be made because its name or path is longer than the system allows.
bool NameTooLong(const std::error_code& error);

// The system's words for an error, as one line: "No space left on device".
std::string ErrorText(const std::error_code& error);

}  // namespace tarnwick
