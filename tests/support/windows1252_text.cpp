#include "windows1252_text.h"

#include <array>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace tarnwick::testing {

namespace {

// Bytes 80 to 9F; the rest of the code page is Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Letters outside the code page, as Unicode's decomposition (or the letter's name) gives their
// base letter. No value of the corpus holds one today; a plan that brings another names it here.
const std::map<char32_t, char32_t>& BaseLetters() {
  static const std::map<char32_t, char32_t> table = {
      {U'\u0141', U'L'},  // LATIN CAPITAL LETTER L WITH STROKE: no decomposition
      {U'\u0111', U'd'},  // LATIN SMALL LETTER D WITH STROKE: no decomposition
      {U'\u0151', U'o'},  // o with double acute: 006F 030B
      {U'\u0219', U's'},  // s with comma below: 0073 0326
      {U'\u011F', U'g'},  // g with breve: 0067 0306
      {U'\u0158', U'R'},  // R with caron: 0052 030C
  };
  return table;
}

// Unicode's simple case mapping, restricted to the letters Windows-1252 has.
char32_t ChangeCase(char32_t c, LetterCase letterCase) {
  const bool upper = letterCase == LetterCase::Upper;
  if (upper ? (c >= U'a' && c <= U'z') : (c >= U'A' && c <= U'Z')) return upper ? c - 32 : c + 32;
  // à to þ and À to Þ, but for the division and multiplication signs between them.
  if (upper && c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (!upper && c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  static const std::array<std::pair<char32_t, char32_t>, 4> kPairs = {
      {{0x0161, 0x0160}, {0x017E, 0x017D}, {0x0153, 0x0152}, {0x00FF, 0x0178}}};
  for (const auto& [small, capital] : kPairs) {
    if (upper && c == small) return capital;
    if (!upper && c == capital) return small;
  }
  return c;
}

}  // namespace

char32_t FromWindows1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

std::optional<unsigned char> ToWindows1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<unsigned char>(character);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == character) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string Fs9Text(std::u32string_view text, LetterCase letterCase) {
  std::string bytes;
  for (char32_t c : text) {
    if (c >= 0x80 && c <= 0x9F) {
      bytes += '?';  // a C1 control: no code page gives it a glyph
      continue;
    }
    if (const auto base = BaseLetters().find(c); base != BaseLetters().end()) c = base->second;
    const std::optional<unsigned char> byte = ToWindows1252(ChangeCase(c, letterCase));
    if (!byte) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
      throw std::invalid_argument(std::string("no Windows-1252 writing known for ") + name);
    }
    bytes += static_cast<char>(*byte);
  }
  return bytes;
}

}  // namespace tarnwick::testing
