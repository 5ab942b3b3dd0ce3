#pragma once

#include <string>

namespace tarnwick {

// A control character (C0, DEL or C1): in a message it would move the cursor or recolour the
// terminal, so it is shown as "?".
inline bool IsControl(char32_t character) {
  return character < 0x20 || (character >= 0x7F && character < 0xA0);
}

// Appends a Unicode character (at most U+10FFFF) as UTF-8.
inline void AppendUtf8(std::string& out, char32_t character) {
  const auto byte = [](char32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
  };
  if (character < 0x80) {
    out += byte(character);
  } else if (character < 0x800) {
    out += {byte(0xC0 | character >> 6), byte(0x80 | (character & 0x3F))};
  } else if (character < 0x10000) {
    out += {byte(0xE0 | character >> 12), byte(0x80 | (character >> 6 & 0x3F)),
            byte(0x80 | (character & 0x3F))};
  } else {
    out += {byte(0xF0 | character >> 18), byte(0x80 | (character >> 12 & 0x3F)),
            byte(0x80 | (character >> 6 & 0x3F)), byte(0x80 | (character & 0x3F))};
  }
}

}  // namespace tarnwick
