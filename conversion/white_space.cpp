#include "white_space.h"

namespace tarnwick {

std::string_view TrimTrailingWhiteSpace(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimWhiteSpace(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  return TrimTrailingWhiteSpace(text);
}

}  // namespace tarnwick
