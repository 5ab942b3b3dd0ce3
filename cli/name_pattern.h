#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// A file name in the letter case a system ignores in names, so that two names it takes for one
// read alike: upper case on Windows. UTF-8 in, UTF-8 out.
using NameFold = std::function<std::string(std::string_view name)>;

// Whether `name` matches `pattern` as a shell matches file names: `*` any run of characters, `?`
// one character, any other character itself, once both are folded. UTF-8; a byte that begins no
// character counts as one.
bool NameMatches(std::string_view pattern, std::string_view name, const NameFold& fold);

// The names of a folder that a pattern's last part stands for, in name order: those it matches,
// except the FS9 plans this tool writes, as a folder leaves them out.
std::vector<std::string> NamesMatching(std::string_view pattern, std::vector<std::string> names,
                                       const NameFold& fold);

}  // namespace tarnwick
