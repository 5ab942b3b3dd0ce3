#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick {

// Paths as both programs hold them: UTF-8 text, whatever the platform's own form (UTF-16 on
// Windows), so that a name in any alphabet survives from the dialog or the command line to the
// file and back into what the user is shown.
inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace tarnwick
