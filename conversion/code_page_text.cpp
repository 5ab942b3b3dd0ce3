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

// Decodes the character of two to four bytes that begins at `at`, moving `at` past it; false when
// the bytes there are no well-formed UTF-8 character. The ranges of the second byte rule out
// overlong forms, surrogates and characters above U+10FFFF.
bool DecodeMultiByte(const char*& at, const char* end, char32_t& character) {
  const auto lead = static_cast<unsigned char>(*at);
  std::ptrdiff_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
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
  if (end - at < length) return false;
  const auto second = static_cast<unsigned char>(at[1]);
  if (second < low || second > high) return false;
  for (std::ptrdiff_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(at[i]);
    if (!IsContinuation(byte)) return false;
    character = (character << 6) | (byte & 0x3F);
  }
  at += length;
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
  const std::size_t kept = out.size();
  // No code page writes a character in more bytes than UTF-8 does.
  out.reserve(kept + line.size());
  const char* at = line.data();
  const char* const end = at + line.size();
  while (at != end) {
    // ASCII runs are copied as they stand.
    const char* const run = at;
    while (at != end && static_cast<unsigned char>(*at) < 0x80) ++at;
    out.append(run, static_cast<std::size_t>(at - run));
    if (at == end) break;
    char32_t character = 0;
    if (!DecodeMultiByte(at, end, character)) {
      out.resize(kept);
      return false;
    }
    AppendInCodePage(out, character, rules);
  }
  return true;
}

}  // namespace tarnwick
