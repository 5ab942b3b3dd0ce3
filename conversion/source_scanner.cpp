#include "source_scanner.h"

namespace tarnwick {

std::string SourceScanner::FindElement(std::string_view tag,
                                       std::optional<std::string_view> scopeEnd) {
  for (;;) {
    ReadNormalizedLine();
    if (LineContains(tag)) return std::string(ElementValue(tag));
    if ((scopeEnd && LineIs(*scopeEnd)) || Exhausted()) break;
  }
  line_ = {};
  return {};
}

}  // namespace tarnwick
