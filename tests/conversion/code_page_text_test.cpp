#include "code_page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "base_letters.h"
#include "case_rules.h"

namespace tarnwick {
namespace {

// A code page of ASCII alone: every other character must come from the base-letter rules.
class AsciiCodePage : public SingleByteCaseRules {
 public:
  AsciiCodePage() : SingleByteCaseRules(Identity(), Identity()) {}
  bool AppendCharacter(std::string& out, char32_t character) const override {
    if (character >= 0x80) return false;
    out += static_cast<char>(character);
    return true;
  }

 private:
  static Table Identity() {
    Table table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
      table[byte] = static_cast<unsigned char>(byte);
    }
    return table;
  }
};

struct CharacterCase {
  char32_t character;
  const char* windows1252;  // what Windows-1252 writes
  const char* ascii;        // what a code page of ASCII alone writes
};

class InCodePageTest : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(InCodePageTest, WritesTheCodePagesCharacterOrItsBase) {
  std::string windows1252 = "<";
  AppendInCodePage(windows1252, GetParam().character, Windows1252CaseRules());
  EXPECT_EQ(windows1252, std::string("<") + GetParam().windows1252);
  std::string ascii = "<";
  AppendInCodePage(ascii, GetParam().character, AsciiCodePage());
  EXPECT_EQ(ascii, std::string("<") + GetParam().ascii);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, InCodePageTest,
    ::testing::Values(
        // The degree sign is the one byte B0 whatever the code page has.
        CharacterCase{0xB0, "\xB0", "\xB0"},
        // The C1 controls are "?" even where the code page has a byte for them.
        CharacterCase{0x80, "?", "?"}, CharacterCase{0x81, "?", "?"}, CharacterCase{0x9F, "?", "?"},
        // Latin-1 letters: their bytes in 1252, their base letter elsewhere.
        CharacterCase{0xE9, "\xE9", "e"}, CharacterCase{0xC5, "\xC5", "A"},
        CharacterCase{0xFF, "\xFF", "y"}, CharacterCase{0xA0, "\xA0", "?"},
        // No decomposition, but a letter with a stroke: the name's letter.
        CharacterCase{0xD8, "\xD8", "O"}, CharacterCase{0x141, "L", "L"},
        CharacterCase{0x111, "d", "d"},
        // 1252's own bytes from 0x80 to 0x9F.
        CharacterCase{0x20AC, "\x80", "?"}, CharacterCase{0x152, "\x8C", "?"},
        CharacterCase{0x17E, "\x9E", "z"}, CharacterCase{0x178, "\x9F", "Y"},
        CharacterCase{0x2014, "\x97", "?"},
        // Letters 1252 lacks: the first character of the full decomposition.
        CharacterCase{0x219, "s", "s"}, CharacterCase{0x151, "o", "o"},
        CharacterCase{0x1D6, "u", "u"}, CharacterCase{0x1EC7, "e", "e"},
        CharacterCase{0x1F00, "?", "?"},
        // A base the code page lacks: AE with acute is AE in 1252, and nothing in ASCII.
        CharacterCase{0x1FC, "\xC6", "?"},
        // Characters without a base letter, one "?" each.
        CharacterCase{0x65E5, "?", "?"}, CharacterCase{0x1F600, "?", "?"},
        CharacterCase{0xFFFF, "?", "?"}, CharacterCase{0x10FFFF, "?", "?"}));

TEST(CodePageTextTest, Windows1252HasEachOfItsBytesCharacters) {
  // Bytes 0x80 to 0x9F as Windows decodes them; 0 where the byte stands for no character.
  const char32_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                             0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  const CaseRules& rules = Windows1252CaseRules();
  for (char32_t byte = 0; byte < 256; ++byte) {
    const bool isHigh = byte >= 0x80 && byte < 0xA0;
    const char32_t character = isHigh ? high[byte - 0x80] : byte;
    if (character == 0) continue;
    std::string out;
    ASSERT_TRUE(rules.AppendCharacter(out, character)) << static_cast<unsigned>(byte);
    EXPECT_EQ(out, std::string(1, static_cast<char>(byte))) << static_cast<unsigned>(byte);
  }
  for (const char32_t lacking : {0x81u, 0x9Fu, 0x100u, 0x2015u, 0x20ADu, 0x10000u}) {
    std::string out = "x";
    EXPECT_FALSE(rules.AppendCharacter(out, lacking)) << static_cast<unsigned>(lacking);
    EXPECT_EQ(out, "x") << static_cast<unsigned>(lacking);
  }
}

TEST(CodePageTextTest, BaseLettersAreInStrictlyAscendingOrder) {
  const auto letters = BaseLetters();
  ASSERT_GT(letters.size(), 500u);
  for (std::size_t i = 1; i < letters.size(); ++i) {
    EXPECT_LT(letters[i - 1].character, letters[i].character) << i;
  }
}

struct TwinCase {
  const char* line;
  bool valid;
  const char* windows1252;  // the twin, when valid
};

class Utf8TwinTest : public ::testing::TestWithParam<TwinCase> {};

TEST_P(Utf8TwinTest, ReplacesValidUtf8AndLeavesTheRest) {
  std::string out = "kept ";
  EXPECT_EQ(AppendUtf8Twin(out, GetParam().line, Windows1252CaseRules()), GetParam().valid);
  EXPECT_EQ(out, std::string("kept ") + (GetParam().valid ? GetParam().windows1252 : ""));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Utf8TwinTest,
    ::testing::Values(
        TwinCase{"", true, ""}, TwinCase{"<Title>EGLL</Title>", true, "<Title>EGLL</Title>"},
        TwinCase{"<Title>Almer\xC3\xAD"
                 "a</Title>",
                 true,
                 "<Title>Almer\xED"
                 "a</Title>"},
        TwinCase{"N47\xC2\xB0 25' 34.39\"", true, "N47\xB0 25' 34.39\""},
        TwinCase{"Krak\xC3\xB3w \xE2\x80\x94 Gda\xC5\x84sk", true, "Krak\xF3w \x97 Gdansk"},
        TwinCase{"\xC5\x81\xC3\xB3"
                 "d\xC5\xBA",
                 true,
                 "L\xF3"
                 "dz"},
        TwinCase{"Bra\xC8\x99ov, Debrecen \xC5\x91", true, "Brasov, Debrecen o"},
        TwinCase{"\xE6\x9D\xB1\xE4\xBA\xAC", true, "??"},
        TwinCase{"\xEF\xBB\xBF<?xml?>", true, "?<?xml?>"},
        // The boundaries of each length.
        TwinCase{"\x7F\xC2\x80\xDF\xBF", true, "\x7F??"},
        TwinCase{"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", true, "????"},
        TwinCase{"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true, "??"},
        // A Windows-1252 or Latin-1 line is no UTF-8.
        TwinCase{"Almer\xED"
                 "a",
                 false, ""},
        TwinCase{"\xB0", false, ""},
        TwinCase{"Almer\xC3\xAD"
                 "a Almer\xED"
                 "a",
                 false, ""},
        // Stray continuation bytes, truncated sequences.
        TwinCase{"a\x80", false, ""}, TwinCase{"\xBF", false, ""}, TwinCase{"x\xC3", false, ""},
        TwinCase{"\xE6\x9D", false, ""}, TwinCase{"\xF0\x9F\x98", false, ""},
        TwinCase{"\xC3\x41", false, ""}, TwinCase{"\xE6\x41\x80", false, ""},
        TwinCase{"\xF0\x9F\x41\x80", false, ""},
        // Overlong forms.
        TwinCase{"\xC0\xAF", false, ""}, TwinCase{"\xC1\xBF", false, ""},
        TwinCase{"\xE0\x80\xAF", false, ""}, TwinCase{"\xE0\x9F\xBF", false, ""},
        TwinCase{"\xF0\x8F\xBF\xBF", false, ""},
        // Surrogates, and what lies beyond U+10FFFF.
        TwinCase{"\xED\xA0\x80", false, ""}, TwinCase{"\xED\xBF\xBF", false, ""},
        TwinCase{"\xF4\x90\x80\x80", false, ""}, TwinCase{"\xF5\x80\x80\x80", false, ""},
        TwinCase{"\xFE", false, ""}, TwinCase{"\xFF", false, ""}));

}  // namespace
}  // namespace tarnwick
