#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "case_rules.h"

namespace tarnwick {

// The files a FILE holding * or ? stands for, in name order (empty when none matches), where the
// shell leaves patterns to the program, as Windows shells do.
using PatternExpander = std::function<std::vector<std::string>(const std::string& pattern)>;

// Where the FS9 plan of `source` goes: "FS9_" + its file name, beside it or in `outputDir`.
std::string TargetPathFor(std::string_view source, std::optional<std::string_view> outputDir);

// The command-line companion: converts every file named in `arguments` (the program name not
// included; UTF-8), reports each on `out` or `err`, and returns the exit status: 0 when every
// file was converted, 1 when any was not, 2 for a usage error. Plans change case by `rules`.
int RunConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err, const CaseRules& rules = Windows1252CaseRules(),
                      const PatternExpander& expandPattern = {});

}  // namespace tarnwick
