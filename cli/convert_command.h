#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Where the FS9 plan of `source` goes: "FS9_" + its file name, beside it or in `outputDir`.
std::string TargetPathFor(std::string_view source, std::optional<std::string_view> outputDir);

// The command-line companion: converts every file named in `arguments` (the program name not
// included), reports each on `out` or `err`, and returns the exit status: 0 when every file was
// converted, 1 when any was not, 2 for a usage error.
int RunConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);

}  // namespace tarnwick
