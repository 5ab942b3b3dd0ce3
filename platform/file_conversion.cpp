#include "file_conversion.h"

#include <memory>
#include <system_error>
#include <utility>

#include "file_stream.h"
#include "source_scanner.h"
#include "target_file.h"
#include "target_writer.h"

namespace tarnwick {

namespace {

ConversionReport SourceNotReadable(FileKind kind, const std::error_code& error = {}) {
  return {ConversionResult::SourceNotReadable, kind, error ? ErrorText(error) : "", 0, {}};
}

ConversionReport TargetNotWritten(std::string reason, std::filesystem::path keptAs = {}) {
  return {ConversionResult::TargetNotWritten, FileKind::Regular, std::move(reason), 0,
          std::move(keptAs)};
}

}  // namespace

ConversionReport ConvertFlightPlan(const std::filesystem::path& sourcePath,
                                   const std::filesystem::path& targetPath, const CaseRules& rules,
                                   ConversionObserver* observer) {
  // A device or a pipe may never end, or block: only regular files are read.
  const FileKind kind = KindOf(sourcePath);
  if (kind != FileKind::Regular) return SourceNotReadable(kind);
  std::error_code error;
  NativeFile file = NativeFile::OpenForReading(sourcePath, error);
  if (error) return SourceNotReadable(kind, error);
  auto owned = std::make_unique<FileSourceBuffer>(std::move(file));
  const FileSourceBuffer& source = *owned;
  SourceScanner scanner(std::move(owned), rules);

  if (!IsFsxFlightPlan(scanner)) {
    if (source.Error()) return SourceNotReadable(kind, source.Error());
    return {};
  }
  // Emptying the target would destroy the very plan that is to be converted.
  if (IsSameFile(sourcePath, targetPath)) return TargetNotWritten("it is the source plan itself");

  TargetFile target = TargetFile::Begin(targetPath, error);
  if (error) return TargetNotWritten(ErrorText(error));
  TargetWriter writer(target.Stream());
  const std::int64_t waypoints = WriteFs9Plan(scanner, writer, observer);
  // A plan read only in part is not put in the old one's place.
  if (source.Error()) return SourceNotReadable(kind, source.Error());
  target.Commit(error);
  if (error) return TargetNotWritten(ErrorText(error), target.KeptAs());
  return {ConversionResult::Converted, kind, "", waypoints, {}};
}

}  // namespace tarnwick
