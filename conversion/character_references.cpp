#include "character_references.h"

#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "code_page_text.h"

namespace tarnwick {

namespace {

constexpr char32_t kBeyondUnicode = 0x110000;

char LowerAscii(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32) : byte;
}

// The value of a digit in base 10 or 16, or -1.
int DigitValue(char byte, int base) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  const char lower = LowerAscii(byte);
  if (base == 16 && lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// The character of "#N" or "#xH" (the text between '&' and ';'); kBeyondUnicode stands for a
// number too large, and nothing for no number at all.
std::optional<char32_t> NumberedCharacter(std::string_view body) {
  body.remove_prefix(1);  // '#'
  int base = 10;
  if (!body.empty() && LowerAscii(body.front()) == 'x') {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty()) return std::nullopt;
  char32_t character = 0;
  for (const char byte : body) {
    const int digit = DigitValue(byte, base);
    if (digit < 0) return std::nullopt;
    // Leading zeros are allowed; once too large, the number stays too large.
    character = character * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
    if (character >= kBeyondUnicode) character = kBeyondUnicode;
  }
  return character;
}

// The character of one of XML's five entity names, in any letter case.
std::optional<char32_t> NamedCharacter(std::string_view body) {
  constexpr std::pair<std::string_view, char32_t> kNames[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& [name, character] : kNames) {
    if (body.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i) same = same && LowerAscii(body[i]) == name[i];
    if (same) return character;
  }
  return std::nullopt;
}

// Whether XML allows the character and it is no control: no reference may put a line end into
// a target line.
bool MayBeDecoded(char32_t character) {
  return character >= 0x20 && !(character >= 0x7F && character <= 0x9F) &&
         !(character >= 0xD800 && character <= 0xDFFF) && character != 0xFFFE &&
         character != 0xFFFF && character < kBeyondUnicode;
}

// The character that the reference `body` (between '&' and ';') stands for, when it may be
// decoded.
std::optional<char32_t> ReferencedCharacter(std::string_view body) {
  const auto character =
      !body.empty() && body.front() == '#' ? NumberedCharacter(body) : NamedCharacter(body);
  if (!character || !MayBeDecoded(*character)) return std::nullopt;
  return character;
}

// The bytes between '&' and ';': ASCII letters and digits, and '#'.
bool IsReferenceByte(char byte) {
  const char lower = LowerAscii(byte);
  return (lower >= 'a' && lower <= 'z') || (byte >= '0' && byte <= '9') || byte == '#';
}

// Where the reference that begins with the '&' at `ampersand` ends, just past its ';', or 0 when
// no ';' follows the letters, digits and '#' after it. Each byte is looked at once or twice.
std::size_t ReferenceEnd(std::string_view text, std::size_t ampersand) {
  std::size_t at = ampersand + 1;
  while (at < text.size() && IsReferenceByte(text[at])) ++at;
  return at < text.size() && text[at] == ';' ? at + 1 : 0;
}

}  // namespace

void DecodeCharacterReferences(std::string& text, const CaseRules& rules) {
  std::size_t from = text.find('&');
  if (from == std::string::npos) return;
  // A reference takes at least four bytes and its character at most as many as its UTF-8 (two
  // in every double-byte code page), so the text is rewritten in place: `to` never passes `from`.
  std::size_t to = from;
  std::string character;  // a few bytes: held in the string itself, never allocated
  while (from < text.size()) {
    const std::size_t end = text[from] == '&' ? ReferenceEnd(text, from) : 0;
    const auto referenced =
        end == 0 ? std::nullopt
                 : ReferencedCharacter(std::string_view(text).substr(from + 1, end - from - 2));
    if (!referenced) {
      text[to++] = text[from++];
      continue;
    }
    character.clear();
    AppendInCodePage(character, *referenced, rules);
    std::memcpy(text.data() + to, character.data(), character.size());
    to += character.size();
    from = end;
  }
  text.resize(to);
}

}  // namespace tarnwick
