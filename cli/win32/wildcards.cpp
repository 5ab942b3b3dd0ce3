#include "wildcards.h"

#include <windows.h>

#include "name_pattern.h"
#include "wide_text.h"

namespace tarnwick {

namespace {

// As the file system compares names: by the system's own upper case, whatever the user's
// language.
std::string UpperCaseName(std::string_view name) {
  const std::wstring wide = WideFromUtf8(name);
  std::wstring upper = wide;
  const int size = static_cast<int>(wide.size());
  if (size > 0) {
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), size, upper.data(), size);
  }
  return Utf8FromWide(upper);
}

// The names of the files (not folders) in `folder`. Every name is listed and matched here, as
// the system's own matching also takes a name whose 8.3 short name alone matches.
std::vector<std::string> FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileExW(WideFromUtf8(folder + "*").c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return {};
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Utf8FromWide(found.cFileName));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace

std::vector<std::string> ExpandWildcards(const std::string& pattern) {
  const std::size_t separator = pattern.find_last_of("\\/:");
  const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  const std::string folder = pattern.substr(0, nameStart);
  std::vector<std::string> names = NamesMatching(std::string_view(pattern).substr(nameStart),
                                                 FileNamesIn(folder), UpperCaseName);
  for (std::string& name : names) name.insert(0, folder);
  return names;
}

}  // namespace tarnwick
