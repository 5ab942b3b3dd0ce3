#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// The files (not folders) a pattern with * or ? matches, as cmd.exe and PowerShell leave
// patterns to the program: the pattern's folder part followed by each name, in name order.
std::vector<std::string> ExpandWildcards(const std::string& pattern);

}  // namespace tarnwick
