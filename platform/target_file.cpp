#include "target_file.h"

#include <random>
#include <string>
#include <utility>

namespace tarnwick {

namespace {

// Begins with the target's name, so that one left behind by a killed run is recognised, and does
// not end in ".pln", so that it is never taken for a plan.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
  static std::mt19937 random{std::random_device{}()};
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix = ".";
  for (int i = 0; i < 6; ++i) suffix += kDigits[random() % (sizeof kDigits - 1)];
  std::filesystem::path name = target;
  name += suffix + ".tmp";
  return name;
}

}  // namespace

TargetFile::TargetFile(NativeFile file, std::filesystem::path target,
                       std::filesystem::path temporary)
    : file_(std::move(file)),
      stream_(file_),
      target_(std::move(target)),
      temporary_(std::move(temporary)) {}

TargetFile::TargetFile(TargetFile&& other) noexcept
    : file_(std::move(other.file_)),
      stream_(file_),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})) {}

TargetFile::~TargetFile() { Discard(); }

TargetFile TargetFile::Begin(const std::filesystem::path& target, std::error_code& error) {
  const std::filesystem::path file = LinkTarget(target);
  const FileKind kind = KindOf(file);
  if (kind == FileKind::Directory) {
    error = std::make_error_code(std::errc::is_a_directory);
    return TargetFile({}, file, {});
  }
  if (kind == FileKind::Other) {
    return TargetFile(NativeFile::OpenExisting(file, error), file, {});
  }
  if (kind == FileKind::Regular) {
    // Only a target the user may write is replaced.
    NativeFile existing = NativeFile::OpenExisting(file, error);
    if (error) return TargetFile({}, file, {});
  }
  // A few tries, in case another run picked the same name at the same moment.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::filesystem::path temporary = TemporaryName(file);
    NativeFile created = NativeFile::CreateNew(temporary, error);
    if (error == std::errc::file_exists) continue;
    if (error) break;
    if (kind == FileKind::Regular) created.CopyPermissionsOf(file, error);
    return TargetFile(std::move(created), file, temporary);
  }
  // No file can be made beside the target (a folder the user may not write): in place, then.
  return TargetFile(NativeFile::CreateOrEmpty(file, error), file, {});
}

void TargetFile::Commit(std::error_code& error) {
  error = WriteError();
  if (!error) file_.Sync(error);
  std::error_code closeError;
  file_.Close(closeError);
  if (!error) error = closeError;
  if (!error && !temporary_.empty()) {
    PutInPlace(temporary_, target_, error);
    if (!error) temporary_.clear();
  }
}

void TargetFile::Discard() {
  if (temporary_.empty()) return;
  std::error_code ignored;
  if (file_.IsOpen()) file_.Close(ignored);
  std::filesystem::remove(temporary_, ignored);
  temporary_.clear();
}

}  // namespace tarnwick
