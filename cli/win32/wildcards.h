#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// The files (not folders) a pattern with * or ? matches, as cmd.exe and PowerShell leave
// patterns to the program: the pattern's folder part followed by each name, in name order. The
// long name alone is matched, as a shell matches it with letter case ignored, and the FS9 plans
// this tool writes are left out, as from a folder.
std::vector<std::string> ExpandWildcards(const std::string& pattern);

}  // namespace tarnwick
