// The file layer's system calls on Windows, through the wide API so that any path works.
#include "native_file.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <utility>

#include "replacement_calls.h"
#include "wide_text.h"

namespace tarnwick {

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t Open(const std::filesystem::path& path, DWORD access, DWORD disposition,
                   std::error_code& error) {
  // Other programs may read, write or rename the file meanwhile, as they may any plan.
  const HANDLE handle =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastError();
    return -1;
  }
  error.clear();
  return reinterpret_cast<std::intptr_t>(handle);
}

// A drive's own folders reached through the device namespace: \\.\C:\Plans\Route.pln.
bool IsDrivePathInDeviceNamespace(const std::wstring& text) {
  return text.size() >= 7 && std::iswalpha(text[4]) && text[5] == L':' &&
         (text[6] == L'\\' || text[6] == L'/');
}

// CON, NUL, AUX, PRN, COM1 to COM9, LPT1 to LPT9, also with an extension ("nul.pln"), and any
// other path into the device namespace (\\.\pipe\...): a device, never a file, whatever folder
// it is in.
bool IsDeviceName(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  if ((text.rfind(L"\\\\.\\", 0) == 0 || text.rfind(L"//./", 0) == 0) &&
      !IsDrivePathInDeviceNamespace(text)) {
    return true;
  }
  std::wstring stem = path.filename().native();
  stem = stem.substr(0, stem.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  if (stem == L"CON" || stem == L"NUL" || stem == L"AUX" || stem == L"PRN" || stem == L"CONIN$" ||
      stem == L"CONOUT$") {
    return true;
  }
  return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

ReplacementCalls replacementCalls;

// Wine's ReplaceFileW refuses a bare relative name, which Windows takes; a full path works on
// both. One given with the \\?\ prefix is full already, and is taken as it is written.
std::wstring FullPath(const std::filesystem::path& path) {
  const std::wstring& text = path.native();
  if (text.rfind(L"\\\\?\\", 0) == 0) return text;
  const DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (size == 0) return text;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(text.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return text;
  full.resize(length);
  return full;
}

// Names `source` as `target`, replacing it, in up to five tries 100 ms apart: another program
// that holds the new file (a virus scanner, typically) soon lets go of it.
std::error_code Rename(const std::wstring& source, const std::wstring& target) {
  constexpr int kTries = 5;
  for (int attempt = 1;; ++attempt) {
    if (replacementCalls.move(source.c_str(), target.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    if (attempt >= kTries) return LastError();
    Sleep(100);
  }
}

}  // namespace

ReplacementCalls UseReplacementCalls(const ReplacementCalls& calls) {
  return std::exchange(replacementCalls, calls);
}

FileKind KindOf(const std::filesystem::path& path) {
  if (IsDeviceName(path)) return FileKind::Other;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
    // Where the system cannot tell, opening the file will.
    return missing ? FileKind::Missing : FileKind::Regular;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory : FileKind::Regular;
}

NativeFile::~NativeFile() {
  if (IsOpen()) CloseHandle(Handle(handle_));
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
  if (this != &other) {
    if (IsOpen()) CloseHandle(Handle(handle_));
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

NativeFile NativeFile::OpenForReading(const std::filesystem::path& path, std::error_code& error) {
  NativeFile file(Open(path, GENERIC_READ, OPEN_EXISTING, error));
  if (!error && GetFileType(Handle(file.handle_)) != FILE_TYPE_DISK) {
    error = std::error_code(ERROR_BAD_FILE_TYPE, std::system_category());
    return {};
  }
  return file;
}

NativeFile NativeFile::OpenExisting(const std::filesystem::path& path, std::error_code& error) {
  return NativeFile(Open(path, GENERIC_WRITE, OPEN_EXISTING, error));
}

NativeFile NativeFile::CreateNew(const std::filesystem::path& path, std::error_code& error) {
  NativeFile file(Open(path, GENERIC_WRITE, CREATE_NEW, error));
  if (error.value() == ERROR_FILE_EXISTS) error = std::make_error_code(std::errc::file_exists);
  return file;
}

std::size_t NativeFile::Read(char* into, std::size_t size, std::error_code& error) {
  DWORD read = 0;
  const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(Handle(handle_), into, chunk, &read, nullptr)) {
    error = LastError();
    return 0;
  }
  error.clear();
  return read;
}

void NativeFile::Write(const char* bytes, std::size_t size, std::error_code& error) {
  error.clear();
  while (size > 0) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!WriteFile(Handle(handle_), bytes, chunk, &written, nullptr)) {
      error = LastError();
      return;
    }
    bytes += written;
    size -= written;
  }
}

void NativeFile::SeekToStart(std::error_code& error) {
  const LARGE_INTEGER start{};
  error = SetFilePointerEx(Handle(handle_), start, nullptr, FILE_BEGIN) ? std::error_code()
                                                                        : LastError();
}

void NativeFile::Truncate(std::uint64_t size, std::error_code& error) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  error =
      SetFilePointerEx(Handle(handle_), end, nullptr, FILE_BEGIN) && SetEndOfFile(Handle(handle_))
          ? std::error_code()
          : LastError();
}

void NativeFile::Sync(std::error_code& error) {
  // A device written in place has nothing to flush.
  const bool disk = GetFileType(Handle(handle_)) == FILE_TYPE_DISK;
  error = !disk || FlushFileBuffers(Handle(handle_)) ? std::error_code() : LastError();
}

// ReplaceFile keeps the replaced file's security and attributes: nothing to copy beforehand.
void NativeFile::CopyPermissionsOf(const std::filesystem::path&, std::error_code& error) {
  error.clear();
}

void NativeFile::Close(std::error_code& error) {
  error = CloseHandle(Handle(std::exchange(handle_, kClosed))) ? std::error_code() : LastError();
}

void PutInPlace(const std::filesystem::path& from, const std::filesystem::path& to,
                std::error_code& error, bool& onlyCopy) {
  onlyCopy = false;
  const std::wstring source = FullPath(from);
  const std::wstring target = FullPath(to);
  if (replacementCalls.replace(target.c_str(), source.c_str(), nullptr,
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    error.clear();
    return;
  }
  switch (const DWORD failure = GetLastError()) {
    // A target that does not exist yet is simply named.
    case ERROR_FILE_NOT_FOUND:
      error = Rename(source, target);
      return;
    // The old plan is gone already, or goes when another program lets go of it, and the new one
    // still has its temporary name.
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      error = Rename(source, target);
      onlyCopy = static_cast<bool>(error);
      return;
    default:
      error = {static_cast<int>(failure), std::system_category()};
  }
}

bool IsSameFile(const std::filesystem::path& first, const std::filesystem::path& second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error);
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  // No access asked for: only the file's identity is read, whatever its permissions.
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{
      information.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool IsWriteProtected(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool RefusedForPermission(const std::error_code& error) {
  return error.category() == std::system_category() && error.value() == ERROR_ACCESS_DENIED;
}

// A name over 255 characters is an invalid one to NTFS; a path over the limit is out of range.
bool NameTooLong(const std::error_code& error) {
  return error.category() == std::system_category() &&
         (error.value() == ERROR_FILENAME_EXCED_RANGE || error.value() == ERROR_INVALID_NAME);
}

// Links are rare on Windows and the system resolves them when the file is opened.
std::filesystem::path LinkTarget(const std::filesystem::path& path) { return path; }

std::string ErrorText(const std::error_code& error) {
  if (error.category() != std::system_category()) return error.message();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L'.' || message.back() == L' ')) {
    message.pop_back();
  }
  if (message.empty()) return error.message();
  // Handed on as UTF-8, as every text of the programs that may hold any character.
  return Utf8FromWide(message);
}

}  // namespace tarnwick
