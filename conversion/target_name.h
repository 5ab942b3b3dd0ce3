#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Every FS9 plan this tool writes is named so, beside its source or in a chosen folder.
inline constexpr std::string_view TargetPrefix = "FS9_";

// "FS9_" + the source's file name, whatever its case and extension: Route.pln gives
// FS9_Route.pln, and FS9_Route.pln gives FS9_FS9_Route.pln.
inline std::string TargetNameFor(std::string_view sourceName) {
  return std::string(TargetPrefix) + std::string(sourceName);
}

}  // namespace tarnwick
