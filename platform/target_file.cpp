#include "target_file.h"

#include <memory>
#include <random>
#include <string>
#include <utility>

namespace tarnwick {

namespace {

// Bounds the memory an old plan overwritten in place may take; FS9 plans are a few kilobytes.
constexpr std::size_t kMostBytesOverwritten = std::size_t{4} << 20;

// The few characters of a name kept when the whole one leaves no room for the temporary suffix.
constexpr std::size_t kShortNameUnits = 64;

// Begins with the target's name, so that one left behind by a killed run is recognised, and does
// not end in ".pln", so that it is never taken for a plan.
std::filesystem::path TemporaryName(const std::filesystem::path& named) {
  static std::mt19937 random{std::random_device{}()};
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix = ".";
  for (int i = 0; i < 6; ++i) suffix += kDigits[random() % (sizeof kDigits - 1)];
  std::filesystem::path name = named;
  name += suffix + ".tmp";
  return name;
}

// Whether a unit of the system's path text continues a character begun before it (UTF-8 on
// POSIX, UTF-16 on Windows), so that a cut never splits one.
template <typename Unit>
bool ContinuesCharacter(Unit unit) {
  if constexpr (sizeof(Unit) == 1) {
    return (static_cast<unsigned char>(unit) & 0xC0) == 0x80;
  } else {
    return unit >= 0xDC00 && unit <= 0xDFFF;
  }
}

// The target with the start of its name only.
std::filesystem::path Shortened(const std::filesystem::path& target) {
  auto name = target.filename().native();
  if (name.size() <= kShortNameUnits) return target;
  std::size_t cut = kShortNameUnits;
  while (cut > 0 && ContinuesCharacter(name[cut])) --cut;
  name.resize(cut);
  return target.parent_path() / name;
}

// A new file beside `target`, named after it; `temporary` is set to its name.
NativeFile CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                           std::error_code& error) {
  std::filesystem::path named = target;
  // A few tries, in case another run picked the same name at the same moment.
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary = TemporaryName(named);
    NativeFile created = NativeFile::CreateNew(temporary, error);
    if (error == std::errc::file_exists) continue;
    if (NameTooLong(error) && named != Shortened(target)) {
      named = Shortened(target);
      continue;
    }
    return created;
  }
  return {};
}

// The whole file, or an error when it cannot be read or holds more than `limit` bytes.
std::string ReadWhole(const std::filesystem::path& path, std::size_t limit,
                      std::error_code& error) {
  NativeFile file = NativeFile::OpenForReading(path, error);
  std::string bytes;
  while (!error) {
    const std::size_t start = bytes.size();
    bytes.resize(start + 65536);
    const std::size_t read = file.Read(bytes.data() + start, 65536, error);
    bytes.resize(start + read);
    if (read == 0) break;
    if (bytes.size() > limit) error = std::make_error_code(std::errc::file_too_large);
  }
  return bytes;
}

}  // namespace

TargetFile::TargetFile(NativeFile file, std::filesystem::path target,
                       std::filesystem::path temporary, std::unique_ptr<OldPlan> oldPlan)
    : file_(std::move(file)),
      stream_(file_),
      target_(std::move(target)),
      temporary_(std::move(temporary)),
      oldPlan_(std::move(oldPlan)) {}

TargetFile::TargetFile(TargetFile&& other) noexcept
    : file_(std::move(other.file_)),
      stream_(file_),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      oldPlan_(std::move(other.oldPlan_)),
      keptAs_(std::move(other.keptAs_)) {}

TargetFile::~TargetFile() { Discard(); }

TargetFile TargetFile::Begin(const std::filesystem::path& target, std::error_code& error) {
  const std::filesystem::path file = LinkTarget(target);
  const FileKind kind = KindOf(file);
  if (kind == FileKind::Directory) {
    error = std::make_error_code(std::errc::is_a_directory);
    return TargetFile({}, file);
  }
  if (kind == FileKind::Other) return TargetFile(NativeFile::OpenExisting(file, error), file);
  NativeFile existing;
  if (kind == FileKind::Regular) {
    // Only a target the user may write is replaced; a read-only one is refused even to root and
    // administrators, whom the system would let open it.
    if (IsWriteProtected(file)) {
      error = std::make_error_code(std::errc::permission_denied);
      return TargetFile({}, file);
    }
    existing = NativeFile::OpenExisting(file, error);
    if (error) return TargetFile({}, file);
  }
  std::filesystem::path temporary;
  NativeFile created = CreateTemporary(file, temporary, error);
  if (!error) {
    if (kind == FileKind::Regular) created.CopyPermissionsOf(file, error);
    return TargetFile(std::move(created), file, temporary);
  }
  if (kind == FileKind::Regular && RefusedForPermission(error)) {
    return Overwrite(std::move(existing), file, error);
  }
  return TargetFile({}, file);
}

// The old plan is kept whole in memory first, so that it can be written back over a new one that
// does not fit; it is not emptied beforehand, so its space stays its own.
TargetFile TargetFile::Overwrite(NativeFile existing, const std::filesystem::path& target,
                                 std::error_code& error) {
  std::string oldBytes = ReadWhole(target, kMostBytesOverwritten, error);
  if (error) return TargetFile({}, target);
  return TargetFile(std::move(existing), target, {},
                    std::make_unique<OldPlan>(std::move(oldBytes)));
}

void TargetFile::Commit(std::error_code& error) {
  error = WriteError();
  // A longer old plan leaves no tail behind the new one.
  if (!error && oldPlan_) file_.Truncate(stream_.Written(), error);
  if (!error) file_.Sync(error);
  if (error) {
    Discard();
    return;
  }
  oldPlan_.reset();
  file_.Close(error);
  if (error || temporary_.empty()) return;
  bool onlyCopy = false;
  PutInPlace(temporary_, target_, error, onlyCopy);
  // A replacement that failed half-way (Windows: another program held the new file), or a target
  // that went meanwhile, leaves the temporary file, whole, as the only copy.
  if (error && (onlyCopy || KindOf(target_) == FileKind::Missing) &&
      KindOf(temporary_) == FileKind::Regular) {
    keptAs_ = std::exchange(temporary_, {});
  }
  if (!error) temporary_.clear();
}

void TargetFile::Discard() {
  if (oldPlan_) PutOldBytesBack();
  if (temporary_.empty()) return;
  std::error_code ignored;
  if (file_.IsOpen()) file_.Close(ignored);
  std::filesystem::remove(temporary_, ignored);
  temporary_.clear();
}

// They fit: the file never shrank below them before the new plan was complete.
void TargetFile::PutOldBytesBack() {
  std::error_code error;
  file_.SeekToStart(error);
  const std::string& bytes = oldPlan_->bytes;
  if (!error) file_.Write(bytes.data(), bytes.size(), error);
  if (!error) file_.Truncate(bytes.size(), error);
  if (!error) file_.Sync(error);
  oldPlan_.reset();
}

}  // namespace tarnwick
