#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace tarnwick {

// The least any conversion of `source` into `target` must do on disk, to measure against: read
// the source once, write each line of `targetText` (with its line end) with a write call of its
// own into a new file beside the target, sync it once and put it in the target's place.
std::error_code WriteFloor(const std::filesystem::path& source, std::string_view targetText,
                           const std::filesystem::path& target);

// A file's bytes, read at once.
std::string FileText(const std::filesystem::path& path);

}  // namespace tarnwick
