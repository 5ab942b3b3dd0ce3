#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tarnwick {

// The least any conversion of `source` into `target` must do on disk, to measure against: read
// the source once, write each of `lines` (with their line ends) with a write call of its own into
// a new file beside the target, sync it once and put it in the target's place.
std::error_code WriteFloor(const std::filesystem::path& source,
                           const std::vector<std::string>& lines,
                           const std::filesystem::path& target);

// The lines of a file, each with its line end.
std::vector<std::string> FileLines(const std::filesystem::path& path);

}  // namespace tarnwick
