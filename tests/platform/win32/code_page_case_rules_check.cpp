// Checks the system code page's case rules with the system's own tables: run under Windows, or
// under Wine from the Linux test suite. Prints "N passed, N failed"; exits non-zero on a failure.
#include <cstdio>
#include <string>

#include "case_rules.h"
#include "code_page_case_rules.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool condition, const char* what) {
  if (condition) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what);
  }
}

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

}  // namespace

int main() {
  Windows1252MatchesThePortableRules();
  ShiftJisMapsDoubleByteCharactersWhole();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
