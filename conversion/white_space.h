#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarnwick {

// White space is exactly tab, LF, vertical tab, form feed, CR and space; bytes from 128 up never
// are, whatever the code page.
constexpr bool IsWhiteSpace(char byte) { return (byte >= '\t' && byte <= '\r') || byte == ' '; }

// The white space that may stand between a tag's '>' and the next '<' of a line split there.
constexpr bool IsBlank(char byte) { return byte == ' ' || byte == '\t'; }

constexpr std::string_view TrimTrailingWhiteSpace(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

inline std::string_view TrimWhiteSpace(std::string_view text) {
  // Indentation is mostly spaces: eight bytes at a time, the spaces in front counted at once.
  constexpr std::uint64_t kEightSpaces = 0x2020202020202020;
  for (std::uint64_t eight = 0; text.size() >= 8;) {
    std::memcpy(&eight, text.data(), 8);
    const std::uint64_t differs = eight ^ kEightSpaces;
    if (differs == 0) {
      text.remove_prefix(8);
      continue;
    }
    // The first byte in memory is the lowest in a little-endian word, the highest otherwise.
    const int bits = std::endian::native == std::endian::little ? std::countr_zero(differs)
                                                                : std::countl_zero(differs);
    text.remove_prefix(static_cast<std::size_t>(bits / 8));
    break;
  }
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  return TrimTrailingWhiteSpace(text);
}

}  // namespace tarnwick
