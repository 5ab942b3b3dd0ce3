#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Every FS9 plan this tool writes is named so, beside its source or in a chosen folder.
inline constexpr std::string_view TargetPrefix = "FS9_";

// Whether a file name is that of an FS9 plan this tool writes, which a folder or a pattern never
// takes as a source, so that converting twice never converts its own output.
inline bool IsTargetName(std::string_view fileName) { return fileName.starts_with(TargetPrefix); }

// "FS9_" + the source's file name, whatever its case and extension: Route.pln gives
// FS9_Route.pln, and FS9_Route.pln gives FS9_FS9_Route.pln.
inline std::string TargetNameFor(std::string_view sourceName) {
  return std::string(TargetPrefix) + std::string(sourceName);
}

}  // namespace tarnwick
