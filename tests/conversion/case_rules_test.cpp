#include "case_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace tarnwick {
namespace {

struct CasePair {
  unsigned char upper;
  unsigned char lower;
};

class Windows1252PairTest : public ::testing::TestWithParam<CasePair> {};

TEST_P(Windows1252PairTest, MapsBothWays) {
  const CaseRules& rules = Windows1252CaseRules();
  const std::string upper(1, static_cast<char>(GetParam().upper));
  const std::string lower(1, static_cast<char>(GetParam().lower));
  EXPECT_EQ(rules.Lower(upper), lower);
  EXPECT_EQ(rules.Upper(lower), upper);
}

INSTANTIATE_TEST_SUITE_P(Letters, Windows1252PairTest,
                         ::testing::Values(CasePair{'A', 'a'}, CasePair{'Z', 'z'},
                                           CasePair{0x8A, 0x9A}, CasePair{0x8C, 0x9C},
                                           CasePair{0x8E, 0x9E}, CasePair{0x9F, 0xFF},
                                           CasePair{0xC0, 0xE0}, CasePair{0xD6, 0xF6},
                                           CasePair{0xD8, 0xF8}, CasePair{0xDE, 0xFE}));

class Windows1252NonLetterTest : public ::testing::TestWithParam<unsigned char> {};

TEST_P(Windows1252NonLetterTest, StaysAsItIs) {
  const CaseRules& rules = Windows1252CaseRules();
  const std::string text(1, static_cast<char>(GetParam()));
  EXPECT_EQ(rules.Lower(text), text);
  EXPECT_EQ(rules.Upper(text), text);
}

// Multiplication and division signs, sharp s, micro sign, ordinals, the bytes around A-Z and
// a-z.
INSTANTIATE_TEST_SUITE_P(Bytes, Windows1252NonLetterTest,
                         ::testing::Values(0xD7, 0xF7, 0xDF, 0xB5, 0xAA, 0xBA, '@', '[', '`', '{',
                                           0x00, 0x80, 0x83, '*', '5'));

// Longer texts change case many bytes at a time: each byte, wherever it stands among plain
// letters, must come out as it does alone.
TEST(CaseRulesTest, LongTextsMapEveryByteAsItMapsAlone) {
  const CaseRules& rules = Windows1252CaseRules();
  // The bytes next to A to Z and a to z among them; 46 bytes: two blocks and a shorter rest.
  const std::string text = "aZ@[`{Az09azAZ\x7F mixed Case TEXT, long enough";
  for (int byte = 0; byte < 256; ++byte) {
    const std::string alone(1, static_cast<char>(byte));
    for (std::size_t at = 0; at < text.size(); at += 3) {
      std::string changed = text;
      changed[at] = static_cast<char>(byte);
      std::string lower = "az@[`{az09azaz\x7F mixed case text, long enough";
      std::string upper = "AZ@[`{AZ09AZAZ\x7F MIXED CASE TEXT, LONG ENOUGH";
      lower[at] = rules.Lower(alone)[0];
      upper[at] = rules.Upper(alone)[0];
      EXPECT_EQ(rules.Lower(changed), lower) << byte << " at " << at;
      EXPECT_EQ(rules.Upper(changed), upper) << byte << " at " << at;
      // In place only the ASCII bytes change: a byte from 80 hex up may be part of UTF-8.
      EXPECT_TRUE(rules.LowerAsciiInPlace(changed.data(), changed.size()));
      if (byte >= 0x80) lower[at] = static_cast<char>(byte);
      EXPECT_EQ(changed, lower) << byte << " at " << at;
    }
  }
}

TEST(CaseRulesTest, FindHonoursTheStartPosition) {
  const CaseRules& rules = Windows1252CaseRules();
  EXPECT_EQ(rules.Find("abcabc", "bc", 0), 1);
  EXPECT_EQ(rules.Find("abcabc", "bc", 2), 4);
  EXPECT_EQ(rules.Find("abcabc", "bc", -3), 1);
  EXPECT_EQ(rules.Find("abc", "", 3), 3);
  EXPECT_EQ(rules.Find("abc", "x", 4), -1);
  EXPECT_EQ(rules.Find("abc", "", 4), -1);
}

// The byte search checks a candidate's second byte before the rest: on every short text of a few
// bytes, from every start, it must find what the standard search finds.
TEST(CaseRulesTest, FindBytesAgreesWithTheStandardSearch) {
  std::mt19937 random(20261209);
  const auto text = [&](std::size_t most) {
    std::string made(random() % (most + 1), ' ');
    for (char& byte : made) byte = "<a/>"[random() % 4];
    return made;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string line = text(12);
    const std::string wanted = text(4);
    const auto start = static_cast<std::ptrdiff_t>(random() % 16) - 1;
    const std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(start, 0));
    const std::size_t found = from > line.size() ? std::string::npos : line.find(wanted, from);
    const std::ptrdiff_t expected =
        found == std::string::npos ? -1 : static_cast<std::ptrdiff_t>(found);
    ASSERT_EQ(FindBytes(line, wanted, start), expected) << line << " " << wanted << " " << start;
  }
}

}  // namespace
}  // namespace tarnwick
