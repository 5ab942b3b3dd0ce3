#include "name_pattern.h"

#include <algorithm>

#include "target_name.h"

namespace tarnwick {

namespace {

// The text cut into its characters: a lead byte with the continuation bytes behind it.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    characters.push_back(text.substr(start, end - start));
    start = end;
  }
  return characters;
}

}  // namespace

bool NameMatches(std::string_view pattern, std::string_view name, const NameFold& fold) {
  const std::string foldedPattern = fold(pattern);
  const std::string foldedName = fold(name);
  const std::vector<std::string_view> wanted = Characters(foldedPattern);
  const std::vector<std::string_view> found = Characters(foldedName);
  // The last star seen, and the character of the name it would take next: a mismatch lets that
  // star take one more character and matching go on behind it.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = wanted.size();
  std::size_t resume = 0;
  while (n < found.size()) {
    if (p < wanted.size() && wanted[p] == "*") {
      star = p++;
      resume = n;
    } else if (p < wanted.size() && (wanted[p] == "?" || wanted[p] == found[n])) {
      ++p;
      ++n;
    } else if (star < wanted.size()) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < wanted.size() && wanted[p] == "*") ++p;
  return p == wanted.size();
}

std::vector<std::string> NamesMatching(std::string_view pattern, std::vector<std::string> names,
                                       const NameFold& fold) {
  std::erase_if(names, [&](const std::string& name) {
    return IsTargetName(name) || !NameMatches(pattern, name, fold);
  });
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarnwick
