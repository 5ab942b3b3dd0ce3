#include "code_page_text.h"

#include <algorithm>
#include <cstddef>

#include "base_letters.h"

namespace tarnwick {

namespace {

constexpr char32_t kDegreeSign = 0xB0;

// Writes the base letter of a character the code page lacks; false when there is none.
bool AppendBaseLetter(std::string& out, char32_t character, const CaseRules& rules) {
  const auto letters = BaseLetters();
  const auto found = std::lower_bound(
      letters.begin(), letters.end(), character,
      [](const BaseLetter& entry, char32_t wanted) { return entry.character < wanted; });
  if (found == letters.end() || found->character != character) return false;
  if (found->base != 0 && rules.AppendCharacter(out, found->base)) return true;
  if (found->letter == 0) return false;
  out += found->letter;
  return true;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes the character that begins at `at`, moving `at` past it; false when the bytes there are
// no well-formed UTF-8 character. The ranges of the second byte rule out overlong forms,
// surrogates and characters above U+10FFFF.
bool DecodeCharacter(std::string_view text, std::size_t& at, char32_t& character) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    character = lead;
    ++at;
    return true;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    character = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    character = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    character = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  if (text.size() - at < length) return false;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if (second < low || second > high) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!IsContinuation(byte)) return false;
    character = (character << 6) | (byte & 0x3F);
  }
  at += length;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  char32_t character = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (!DecodeCharacter(text, at, character)) return false;
  }
  return true;
}

}  // namespace

void AppendInCodePage(std::string& out, char32_t character, const CaseRules& rules) {
  if (character == kDegreeSign) {
    out += static_cast<char>(kDegreeSign);
  } else if (character >= 0x80 && character <= 0x9F) {
    out += '?';
  } else if (!rules.AppendCharacter(out, character) && !AppendBaseLetter(out, character, rules)) {
    out += '?';
  }
}

bool AppendUtf8Twin(std::string& out, std::string_view line, const CaseRules& rules) {
  // Checked whole first, so that a line that is no UTF-8 leaves `out` untouched.
  if (!IsValidUtf8(line)) return false;
  // No code page writes a character in more bytes than UTF-8 does.
  out.reserve(out.size() + line.size());
  char32_t character = 0;
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t start = at;
    DecodeCharacter(line, at, character);
    if (character < 0x80) {
      // ASCII runs are copied as they stand.
      while (at < line.size() && static_cast<unsigned char>(line[at]) < 0x80) ++at;
      out.append(line.substr(start, at - start));
    } else {
      AppendInCodePage(out, character, rules);
    }
  }
  return true;
}

}  // namespace tarnwick
