#include "code_page_case_rules.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "utf8.h"
#include "wide_text.h"

namespace tarnwick {

namespace {

enum class Direction { Lower, Upper };

// One character (one or two bytes) in the other case, or unchanged when the system has no
// partner for it of the same length in this code page.
std::string MapCharacter(UINT codePage, std::string_view character, Direction direction) {
  wchar_t wide[4];
  const int wideLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, character.data(),
                                             static_cast<int>(character.size()), wide, 4);
  if (wideLength <= 0) return std::string(character);
  if (direction == Direction::Lower) {
    CharLowerBuffW(wide, static_cast<DWORD>(wideLength));
  } else {
    CharUpperBuffW(wide, static_cast<DWORD>(wideLength));
  }
  char mapped[8];
  BOOL usedDefault = FALSE;
  // UTF-8 takes no substitution flag; it has no character it cannot write.
  BOOL* usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const int length = WideCharToMultiByte(codePage, 0, wide, wideLength, mapped, sizeof mapped,
                                         nullptr, usedDefaultOut);
  if (length != static_cast<int>(character.size()) || usedDefault) return std::string(character);
  return std::string(mapped, static_cast<std::size_t>(length));
}

// Appends the code page's own bytes for `character`, as the system has them: never a best fit,
// and only bytes that the system reads back as the same character.
bool AppendSystemCharacter(std::string& out, char32_t character, UINT codePage) {
  wchar_t wide[2];
  int wideLength = 1;
  if (character >= 0x10000) {
    wide[0] = static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
    wide[1] = static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
    wideLength = 2;
  } else {
    wide[0] = static_cast<wchar_t>(character);
  }
  char bytes[8];
  BOOL usedDefault = FALSE;
  // UTF-8 takes neither the flag nor the substitution check; it has every character.
  const bool utf8 = codePage == CP_UTF8;
  const int length =
      WideCharToMultiByte(codePage, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes,
                          sizeof bytes, nullptr, utf8 ? nullptr : &usedDefault);
  if (length <= 0 || usedDefault) return false;
  wchar_t back[4];
  const int backLength =
      MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, back, 4);
  if (backLength != wideLength || !std::equal(wide, wide + wideLength, back)) return false;
  out.append(bytes, static_cast<std::size_t>(length));
  return true;
}

// The one character of `bytes` as the system reads it in `codePage`, when they are one.
bool ReadOneCharacter(UINT codePage, std::string_view bytes, std::wstring& out) {
  wchar_t wide[2];
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), wide, 2);
  const bool pair = length == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF;
  if (length != 1 && !pair) return false;
  out.append(wide, static_cast<std::size_t>(length));
  return true;
}

// Character by character, so that one byte sequence that stands for none (or for a control
// character, which a console shows as nothing, as noise, or obeys) is a "?" and the rest still
// reads.
std::string SystemUtf8Text(UINT codePage, std::string_view bytes) {
  CPINFO info{};
  const std::size_t longest = GetCPInfo(codePage, &info) ? info.MaxCharSize : 1;
  std::wstring wide;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = 1;
    while (length <= longest && at + length <= bytes.size() &&
           !ReadOneCharacter(codePage, bytes.substr(at, length), wide)) {
      ++length;
    }
    if (length > longest || at + length > bytes.size()) {
      wide.push_back(L'?');
      length = 1;
    } else if (IsControl(wide.back())) {
      wide.back() = L'?';
    }
    at += length;
  }
  return Utf8FromWide(wide);
}

SingleByteCaseRules::Table ByteTable(UINT codePage, Direction direction) {
  SingleByteCaseRules::Table table{};
  for (int byte = 0; byte < 256; ++byte) {
    const char single = static_cast<char>(byte);
    const bool isLead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte)) != 0;
    const std::string mapped =
        isLead ? std::string(1, single) : MapCharacter(codePage, {&single, 1}, direction);
    table[static_cast<std::size_t>(byte)] = static_cast<unsigned char>(mapped[0]);
  }
  return table;
}

class SystemSingleByteCaseRules : public SingleByteCaseRules {
 public:
  explicit SystemSingleByteCaseRules(UINT codePage)
      : SingleByteCaseRules(ByteTable(codePage, Direction::Lower),
                            ByteTable(codePage, Direction::Upper)),
        codePage_(codePage) {}

  bool AppendCharacter(std::string& out, char32_t character) const override {
    return AppendSystemCharacter(out, character, codePage_);
  }

  std::string Utf8Text(std::string_view bytes) const override {
    return SystemUtf8Text(codePage_, bytes);
  }

 private:
  UINT codePage_;
};

class DoubleByteCaseRules : public CaseRules {
 public:
  explicit DoubleByteCaseRules(UINT codePage)
      : codePage_(codePage),
        lower_(ByteTable(codePage, Direction::Lower)),
        upper_(ByteTable(codePage, Direction::Upper)) {}

  void LowerInPlace(std::string& text) const override { Map(text, Direction::Lower); }
  void UpperInPlace(std::string& text) const override { Map(text, Direction::Upper); }

  bool AppendCharacter(std::string& out, char32_t character) const override {
    return AppendSystemCharacter(out, character, codePage_);
  }

  std::string Utf8Text(std::string_view bytes) const override {
    return SystemUtf8Text(codePage_, bytes);
  }

  std::ptrdiff_t Find(std::string_view line, std::string_view text,
                      std::ptrdiff_t start) const override {
    const auto length = static_cast<std::ptrdiff_t>(line.size());
    if (start < 0) start = 0;
    if (start > length) return -1;
    std::ptrdiff_t position = 0;
    while (position < start) position += CharacterLength(line, position);
    for (; position + static_cast<std::ptrdiff_t>(text.size()) <= length;
         position += CharacterLength(line, position)) {
      if (line.substr(static_cast<std::size_t>(position), text.size()) == text) return position;
    }
    return -1;
  }

 private:
  std::ptrdiff_t CharacterLength(std::string_view text, std::ptrdiff_t position) const {
    const auto byte = static_cast<BYTE>(text[static_cast<std::size_t>(position)]);
    const bool pair = IsDBCSLeadByteEx(codePage_, byte) &&
                      position + 1 < static_cast<std::ptrdiff_t>(text.size());
    return pair ? 2 : 1;
  }

  void Map(std::string& text, Direction direction) const {
    for (std::ptrdiff_t position = 0; position < static_cast<std::ptrdiff_t>(text.size());) {
      const std::ptrdiff_t length = CharacterLength(text, position);
      const auto at = static_cast<std::size_t>(position);
      if (length == 1) {
        const auto& table = direction == Direction::Lower ? lower_ : upper_;
        text[at] = static_cast<char>(table[static_cast<unsigned char>(text[at])]);
      } else {
        const std::string mapped =
            MapCharacter(codePage_, std::string_view(text).substr(at, 2), direction);
        text.replace(at, 2, mapped);
      }
      position += length;
    }
  }

  UINT codePage_;
  SingleByteCaseRules::Table lower_;  // single bytes, lead bytes unchanged
  SingleByteCaseRules::Table upper_;
};

}  // namespace

std::unique_ptr<CaseRules> CaseRulesForCodePage(UINT codePage) {
  CPINFO info{};
  if (GetCPInfo(codePage, &info) && info.MaxCharSize == 2) {
    return std::make_unique<DoubleByteCaseRules>(codePage);
  }
  return std::make_unique<SystemSingleByteCaseRules>(codePage);
}

}  // namespace tarnwick
