#pragma once

#include <string>
#include <string_view>

#include "case_rules.h"

namespace tarnwick {

// A source line that contains this, in any letter case, makes the file an FSX plan.
inline constexpr std::string_view FormatMarker = "<descr>acexml document</descr>";
// The normalised last line of the source document; it ends every search but the title's.
inline constexpr std::string_view DocumentEnd = "</simbase.document>";
inline constexpr std::string_view AppVersionLine = "AppVersion=9.1.40901";

enum class ConversionResult {
  Converted,         // the target holds the whole FS9 plan
  NotFsxPlan,        // no line holds FormatMarker, or the source cannot be read: target untouched
  TargetNotWritten,  // the target could not be created, written or closed, or is the source
};

// Converts the FSX plan at `sourcePath` into the FS9 plan at `targetPath`, creating the target or
// emptying it first. The target is opened only once the source has proved to be an FSX plan.
ConversionResult ConvertFlightPlan(const std::string& sourcePath, const std::string& targetPath,
                                   const CaseRules& rules = Windows1252CaseRules());

}  // namespace tarnwick
