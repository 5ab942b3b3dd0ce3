#include "character_references.h"

#include <gtest/gtest.h>

#include <string>

#include "case_rules.h"

namespace tarnwick {
namespace {

struct ReferenceCase {
  const char* text;
  const char* decoded;  // in Windows-1252
};

class CharacterReferencesTest : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(CharacterReferencesTest, DecodesWellFormedReferencesOnly) {
  std::string text = GetParam().text;
  DecodeCharacterReferences(text, Windows1252CaseRules());
  EXPECT_EQ(text, GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterReferencesTest,
    ::testing::Values(
        ReferenceCase{"", ""}, ReferenceCase{"plain text", "plain text"},
        ReferenceCase{"a &amp; b", "a & b"}, ReferenceCase{"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        ReferenceCase{"&AMP;&Lt;&gT;&QUOT;&Apos;", "&<>\"'"},
        // One pass: a decoded '&' begins no reference.
        ReferenceCase{"&amp;lt;", "&lt;"}, ReferenceCase{"&amp;#x41;", "&#x41;"},
        ReferenceCase{"&&amp;", "&&"}, ReferenceCase{"x&amp;;", "x&;"},
        ReferenceCase{"&#65;&#x41;&#X41;&#0065;&#x000041;", "AAAAA"},
        ReferenceCase{"Aer&#xF3;dromo de Las Ca&#xf1;adillas",
                      "Aer\xF3"
                      "dromo de Las Ca\xF1"
                      "adillas"},
        ReferenceCase{"&#243;&#xc3;&#xb3;", "\xF3\xC3\xB3"},
        // Characters as the code page writes them, with its base letters and "?".
        ReferenceCase{"Gda&#x144;sk &#x141;&#x f;", "Gdansk L&#x f;"},
        ReferenceCase{"&#176;&#x20AC;&#x2014;", "\xB0\x80\x97"},
        ReferenceCase{"&#x65E5;&#x1F600;&#x10FFFF;&#xFFFD;", "????"},
        ReferenceCase{"&#x20;&#x7E;&#xA0;&#xD7FF;&#xE000;&#x10000;", " ~\xA0???"},
        // Controls and what XML does not allow are kept.
        ReferenceCase{"&#10;&#13;&#0;&#x1F;&#x7F;&#x80;&#x9F;",
                      "&#10;&#13;&#0;&#x1F;&#x7F;&#x80;&#x9F;"},
        ReferenceCase{"&#xD800;&#xDFFF;&#xFFFE;&#xFFFF;&#x110000;",
                      "&#xD800;&#xDFFF;&#xFFFE;&#xFFFF;&#x110000;"},
        ReferenceCase{"&#x100000041;&#99999999999999999999;",
                      "&#x100000041;&#99999999999999999999;"},
        // Ill-formed ones are kept.
        ReferenceCase{"&#;&#x;&#xG1;&#12a;&#-1;&#+1;", "&#;&#x;&#xG1;&#12a;&#-1;&#+1;"},
        ReferenceCase{"&amp", "&amp"}, ReferenceCase{"&#x41", "&#x41"}, ReferenceCase{"&", "&"},
        ReferenceCase{"&;", "&;"}, ReferenceCase{"&nbsp;&ampx;&am;", "&nbsp;&ampx;&am;"},
        ReferenceCase{"& amp;&am p;a & b; c", "& amp;&am p;a & b; c"},
        ReferenceCase{"&#x41 ;&#x4 1;", "&#x41 ;&#x4 1;"}));

}  // namespace
}  // namespace tarnwick
