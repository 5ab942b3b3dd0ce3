#include "case_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "utf8.h"

namespace tarnwick {

namespace {

// Plans are nearly all ASCII: sixteen bytes at a time where the table maps ASCII as ASCII does.
// Loops of a fixed count over plain bytes, which compilers turn into vector instructions.
constexpr std::size_t kBlock = 16;

bool HasNonAscii(const char* block) {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  std::memcpy(&first, block, 8);
  std::memcpy(&second, block + 8, 8);
  return ((first | second) & 0x8080808080808080) != 0;
}

// Flips the 0x20 bit of the block's bytes from `first` to `last`, the ASCII letters of one case.
void FlipAsciiCase(char* block, unsigned char first, unsigned char last) {
  unsigned char bytes[kBlock];
  std::memcpy(bytes, block, kBlock);
  const auto span = static_cast<unsigned char>(last - first);
  for (unsigned char& byte : bytes) {
    const bool letter = static_cast<unsigned char>(byte - first) <= span;
    byte = static_cast<unsigned char>(byte ^ (letter ? 0x20 : 0));
  }
  std::memcpy(block, bytes, kBlock);
}

// Maps every byte through the table, or with `asciiOnly` the bytes below 0x80 alone.
void MapBytes(char* byte, std::size_t size, const SingleByteCaseRules::Table& table,
              bool plainAscii, unsigned char first, unsigned char last, bool asciiOnly = false) {
  char* const end = byte + size;
  const auto map = [&table, asciiOnly](char* from, char* to) {
    for (; from != to; ++from) {
      const auto code = static_cast<unsigned char>(*from);
      if (!asciiOnly || code < 0x80) *from = static_cast<char>(table[code]);
    }
  };
  for (; plainAscii && end - byte >= static_cast<std::ptrdiff_t>(kBlock); byte += kBlock) {
    if (HasNonAscii(byte)) {
      map(byte, byte + kBlock);
    } else {
      FlipAsciiCase(byte, first, last);
    }
  }
  map(byte, end);
}

// Whether the tables change the case of A to Z and nothing else below 0x80.
bool MapsAsciiAsAscii(const SingleByteCaseRules::Table& lower,
                      const SingleByteCaseRules::Table& upper) {
  for (unsigned byte = 0; byte < 0x80; ++byte) {
    const bool capital = byte >= 'A' && byte <= 'Z';
    const bool small = byte >= 'a' && byte <= 'z';
    if (lower[byte] != (capital ? byte + 32 : byte) || upper[byte] != (small ? byte - 32 : byte)) {
      return false;
    }
  }
  return true;
}

// Windows-1252's letters beyond A-Z and the Latin-1 range: S and Z with caron, OE, and Y with
// diaeresis, as (upper, lower).
constexpr std::pair<std::size_t, std::size_t> kWindows1252Pairs[] = {
    {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

SingleByteCaseRules MakeWindows1252() {
  SingleByteCaseRules::Table lower{};
  SingleByteCaseRules::Table upper{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    lower[byte] = upper[byte] = static_cast<unsigned char>(byte);
  }
  auto pair = [&](std::size_t big, std::size_t small) {
    lower[big] = static_cast<unsigned char>(small);
    upper[small] = static_cast<unsigned char>(big);
  };
  for (std::size_t big = 'A'; big <= 'Z'; ++big) pair(big, big + 32);
  // The accented capitals of Latin-1; 0xD7, the multiplication sign, is no letter.
  for (std::size_t big = 0xC0; big <= 0xDE; ++big) {
    if (big != 0xD7) pair(big, big + 32);
  }
  for (const auto& [big, small] : kWindows1252Pairs) pair(big, small);
  return SingleByteCaseRules(lower, upper);
}

// The characters of Windows-1252's bytes 0x80 to 0x9F that are not Latin-1's, as (character,
// byte); the five bytes 81, 8D, 8F, 90 and 9D stand for none.
constexpr std::pair<char32_t, unsigned char> kWindows1252Extras[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};

}  // namespace

bool CaseRules::AppendCharacter(std::string& out, char32_t character) const {
  // Below 0x80 and from 0xA0 to 0xFF, the byte is the character's number, as in Latin-1.
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    out += static_cast<char>(character);
    return true;
  }
  for (const auto& [extra, byte] : kWindows1252Extras) {
    if (extra == character) {
      out += static_cast<char>(byte);
      return true;
    }
  }
  return false;
}

std::string CaseRules::Utf8Text(std::string_view bytes) const {
  std::string text;
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    char32_t character = code;
    for (const auto& [extra, extraByte] : kWindows1252Extras) {
      if (extraByte == code) character = extra;
    }
    AppendUtf8(text, IsControl(character) ? U'?' : character);
  }
  return text;
}

std::ptrdiff_t CaseRules::Find(std::string_view line, std::string_view text,
                               std::ptrdiff_t start) const {
  return FindBytes(line, text, start);
}

bool CaseRules::LowerAsciiInPlace(char*, std::size_t) const { return false; }

std::string CaseRules::Lower(std::string_view text) const {
  std::string lowered(text);
  LowerInPlace(lowered);
  return lowered;
}

std::string CaseRules::Upper(std::string_view text) const {
  std::string raised(text);
  UpperInPlace(raised);
  return raised;
}

SingleByteCaseRules::SingleByteCaseRules(const Table& lower, const Table& upper)
    : lower_(lower), upper_(upper), plainAscii_(MapsAsciiAsAscii(lower, upper)) {}

void SingleByteCaseRules::LowerInPlace(std::string& text) const {
  MapBytes(text.data(), text.size(), lower_, plainAscii_, 'A', 'Z');
}

void SingleByteCaseRules::UpperInPlace(std::string& text) const {
  MapBytes(text.data(), text.size(), upper_, plainAscii_, 'a', 'z');
}

bool SingleByteCaseRules::LowerAsciiInPlace(char* bytes, std::size_t size) const {
  MapBytes(bytes, size, lower_, plainAscii_, 'A', 'Z', true);
  return true;
}

const CaseRules& Windows1252CaseRules() {
  static const SingleByteCaseRules rules = MakeWindows1252();
  return rules;
}

}  // namespace tarnwick
