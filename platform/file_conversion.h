#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "case_rules.h"
#include "native_file.h"
#include "plan_conversion.h"

namespace tarnwick {

enum class ConversionResult {
  Converted,          // the target holds the whole FS9 plan
  NotFsxPlan,         // no line of the source holds FormatMarker: the target is untouched
  SourceNotReadable,  // missing, a folder, a device or pipe, or unreadable: the target untouched
  TargetNotWritten,   // the target could not be written or would be the source: it is as it was
};

struct ConversionReport {
  ConversionResult result = ConversionResult::NotFsxPlan;
  FileKind sourceKind = FileKind::Regular;  // what the source path names
  std::string reason;          // the system's words for why a file could not be read or written
  std::int64_t waypoints = 0;  // the waypoint lines written
  // Set when a failed replacement removed the old target: where the whole new plan is instead.
  std::filesystem::path keptAs;
};

// Converts the FSX plan at `sourcePath` into the FS9 plan at `targetPath`. The target is touched
// only once the source has proved to be an FSX plan, and is replaced as a whole: a conversion
// that fails part-way leaves an existing target exactly as it was.
ConversionReport ConvertFlightPlan(const std::filesystem::path& sourcePath,
                                   const std::filesystem::path& targetPath,
                                   const CaseRules& rules = Windows1252CaseRules(),
                                   ConversionObserver* observer = nullptr);

}  // namespace tarnwick
