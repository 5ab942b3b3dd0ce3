#pragma once

#include <string_view>

namespace tarnwick {

// White space is exactly tab, LF, vertical tab, form feed, CR and space; bytes from 128 up never
// are, whatever the code page.
constexpr bool IsWhiteSpace(char byte) { return (byte >= '\t' && byte <= '\r') || byte == ' '; }

std::string_view TrimWhiteSpace(std::string_view text);
std::string_view TrimTrailingWhiteSpace(std::string_view text);

}  // namespace tarnwick
