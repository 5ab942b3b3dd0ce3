// Checks the system code page's case rules with the system's own tables: run under Windows, or
// under Wine from the Linux test suite. Prints "N passed, N failed"; exits non-zero on a failure.
#include <cstdio>
#include <initializer_list>
#include <string>

#include "case_rules.h"
#include "checks.h"
#include "code_page_case_rules.h"
#include "code_page_text.h"

namespace {

using tarnwick::checks::Check;

void Windows1252MatchesThePortableRules() {
  const auto system = tarnwick::CaseRulesForCodePage(1252);
  const tarnwick::CaseRules& portable = tarnwick::Windows1252CaseRules();
  bool same = true;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    if (system->Lower(text) != portable.Lower(text) ||
        system->Upper(text) != portable.Upper(text)) {
      std::printf("byte 0x%02X differs\n", byte);
      same = false;
    }
  }
  Check(same, "code page 1252 maps every byte as the portable Windows-1252 rules do");
}

void ShiftJisMapsDoubleByteCharactersWhole() {
  const auto rules = tarnwick::CaseRulesForCodePage(932);
  // 0x83 0x41 is a katakana letter whose second byte is the code of "A".
  const std::string katakana = "\x83\x41";
  Check(rules->Lower(katakana + "ABC") == katakana + "abc",
        "a trail byte is not lower-cased as a letter of its own");
  Check(rules->Upper(katakana + "abc") == katakana + "ABC", "upper-casing keeps the character");
  // Fullwidth A (0x82 0x60) and fullwidth a (0x82 0x81) are partners.
  Check(rules->Lower("\x82\x60") == "\x82\x81", "a double-byte capital is lowered as a whole");
  Check(rules->Upper("\x82\x81") == "\x82\x60", "a double-byte small letter is raised as a whole");
  Check(rules->Find(katakana, "A", 0) == -1, "no match begins inside a double-byte character");
  Check(rules->Find("x" + katakana + "A", "A", 0) == 3, "a match after one is found");
  Check(rules->Find("x" + katakana + "A", "A", 2) == 3, "a start inside one moves past it");
  Check(rules->Find("<a>", "<a>", 0) == 0, "single bytes still match");
}

void Windows1252WritesCharactersAsThePortableRulesDo() {
  const auto system = tarnwick::CaseRulesForCodePage(1252);
  const tarnwick::CaseRules& portable = tarnwick::Windows1252CaseRules();
  bool same = true;
  // Every character of the first plane but the surrogates, and a sample of the others.
  for (char32_t character = 0; character < 0x110000; character += character < 0x10000 ? 1 : 0x107) {
    if (character >= 0xD800 && character <= 0xDFFF) continue;
    std::string fromSystem;
    std::string fromPortable;
    tarnwick::AppendInCodePage(fromSystem, character, *system);
    tarnwick::AppendInCodePage(fromPortable, character, portable);
    if (fromSystem != fromPortable) {
      std::printf("U+%04X: %s, not %s\n", static_cast<unsigned>(character), fromSystem.c_str(),
                  fromPortable.c_str());
      same = false;
    }
  }
  Check(same, "code page 1252 writes every character as the portable Windows-1252 rules do");
}

struct Written {
  char32_t character;
  const char* bytes;
  const char* what;
};

void WritesCharactersInTheCodePage(unsigned codePage, std::initializer_list<Written> cases) {
  const auto rules = tarnwick::CaseRulesForCodePage(codePage);
  for (const Written& each : cases) {
    std::string out;
    tarnwick::AppendInCodePage(out, each.character, *rules);
    Check(out == each.bytes, each.what);
  }
}

void TwinsUtf8Lines(unsigned codePage, const char* line, const char* twin, const char* what) {
  const auto rules = tarnwick::CaseRulesForCodePage(codePage);
  std::string out;
  Check(tarnwick::AppendUtf8Twin(out, line, *rules) && out == twin, what);
}

void Windows1252ReadsAsThePortableRulesDo() {
  const auto system = tarnwick::CaseRulesForCodePage(1252);
  const tarnwick::CaseRules& portable = tarnwick::Windows1252CaseRules();
  bool same = true;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    if (system->Utf8Text(text) != portable.Utf8Text(text)) {
      std::printf("byte 0x%02X reads as %s\n", byte, system->Utf8Text(text).c_str());
      same = false;
    }
  }
  Check(same, "code page 1252 reads every byte as the portable Windows-1252 rules do");
}

struct Read {
  unsigned codePage;
  const char* bytes;
  const char* utf8;
  const char* what;
};

void ReadsTheCodePagesBytes(std::initializer_list<Read> cases) {
  for (const Read& each : cases) {
    Check(tarnwick::CaseRulesForCodePage(each.codePage)->Utf8Text(each.bytes) == each.utf8,
          each.what);
  }
}

}  // namespace

int main() {
  Windows1252MatchesThePortableRules();
  ShiftJisMapsDoubleByteCharactersWhole();
  Windows1252WritesCharactersAsThePortableRulesDo();
  WritesCharactersInTheCodePage(1252,
                                {{0x221E, "?", "1252: infinity is no 8, the system's best fit"},
                                 {0x0100, "A", "1252: A with macron is its base letter"}});
  WritesCharactersInTheCodePage(
      1250, {{0x0141, "\xA3", "1250: its own L with stroke"},
             {0x0151, "\xF5", "1250: its own o with double acute"},
             {0x0159, "\xF8", "1250: its own r with caron"},
             {0x015F, "\xBA", "1250: its own s with cedilla"},
             {0x0219, "s", "1250: s with comma below, which it lacks, is its base letter"},
             {0x00E0, "a", "1250: a with grave, which it lacks, is its base letter"},
             {0x00B0, "\xB0", "1250: the degree sign"},
             {0x20AC, "\x80", "1250: the euro sign"},
             {0x0081, "?", "1250: a C1 control is ?"},
             {0x6771, "?", "1250: a kanji is ?"}});
  WritesCharactersInTheCodePage(
      932, {{0x6771, "\x93\x8C", "932: its own kanji, two bytes"},
            {0xFF21, "\x82\x60", "932: its own fullwidth A"},
            {0x00B0, "\xB0", "932: the degree sign is the one byte B0, not its own two"},
            {0x00F3, "o", "932: o with acute, which it lacks, is its base letter"},
            {0x0141, "L", "932: L with stroke, which it lacks, is the letter of its name"},
            {0x00A5, "?", "932: the yen sign is no backslash, the system's best fit"},
            {0x1F600, "?", "932: a character beyond the first plane is ?"}});
  TwinsUtf8Lines(1250,
                 "<Title>\xC5\x81\xC3\xB3"
                 "d\xC5\xBA, Hradec Kr\xC3\xA1lov\xC3\xA9</Title>",
                 "<Title>\xA3\xF3"
                 "d\x9F, Hradec Kr\xE1lov\xE9</Title>",
                 "1250: a Polish and Czech line in the code page's own letters");
  TwinsUtf8Lines(932,
                 "\xE6\x9D\xB1\xE4\xBA\xAC \xC5\x81\xC3\xB3"
                 "d\xC5\xBA 339\xC2\xB0",
                 "\x93\x8C\x8B\x9E Lodz 339\xB0", "932: kanji, base letters and the degree sign");
  Windows1252ReadsAsThePortableRulesDo();
  ReadsTheCodePagesBytes({
      {1252, "M\xDCHLE", "M\xC3\x9CHLE", "1252: U with diaeresis"},
      {1250,
       "\xA3\xF3"
       "d\x9F",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       "1250: Polish letters"},
      {932, "WP\x93\x8C", "WP\xE6\x9D\xB1", "932: a kanji of two bytes"},
      {932, "\xB1", "\xEF\xBD\xB1", "932: a halfwidth katakana of one byte"},
      {932, "A\x93", "A?", "932: a lead byte at the end is ?"},
      {932, "\x93<B", "?<B", "932: a lead byte before no trail byte is ?, and the rest reads"},
  });
  return tarnwick::checks::Summary();
}
