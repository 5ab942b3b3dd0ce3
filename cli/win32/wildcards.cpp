#include "wildcards.h"

#include <windows.h>

#include <algorithm>

#include "wide_text.h"

namespace tarnwick {

std::vector<std::string> ExpandWildcards(const std::string& pattern) {
  const std::size_t separator = pattern.find_last_of("\\/:");
  const std::string folder = separator == std::string::npos ? "" : pattern.substr(0, separator + 1);
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileExW(WideFromUtf8(pattern).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return {};
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Utf8FromWide(found.cFileName));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name.insert(0, folder);
  return names;
}

}  // namespace tarnwick
