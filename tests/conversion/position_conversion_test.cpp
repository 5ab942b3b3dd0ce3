#include "position_conversion.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace tarnwick {
namespace {

struct PositionCase {
  std::string name;
  std::string input;  // as the scanner delivers it: lower case, trimmed
  std::string converted;
};

class ConvertPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ConvertPositionTest, GivesDegreesAndDecimalMinutes) {
  EXPECT_EQ(ConvertPosition(GetParam().input), GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ConvertPositionTest,
    ::testing::Values(
        PositionCase{"NorthWest", "n47\xC2\xB0 26' 56.40\",w122\xC2\xB0 18' 42.60\",+000429.00",
                     "n47* 26.94', w122* 18.71', +000429.00"},
        PositionCase{"SouthEast", "s33\xC2\xB0 56' 32.98\",e151\xC2\xB0 10' 38.12\",+000021.00",
                     "s33* 56.55', e151* 10.64', +000021.00"},
        PositionCase{"OneDigitMinutes", "s12\xC2\xB0 5' 3.00\",w77\xC2\xB0 7' 6.60\",+000012.50",
                     "s12*  5.05', w77*  7.11', +000012.50"},
        PositionCase{"SixtyMinutesCarry", "s47\xC2\xB0 59' 59.90\",w9\xC2\xB0 0' 0.00\",+000000.00",
                     "s48*  0.00', w9*  0.00', +000000.00"},
        PositionCase{"CarryKeepsTheDigitsWritten",
                     "n09\xC2\xB0 59' 59.999\",w9\xC2\xB0 59' 59.999\",+0",
                     "n10*  0.00', w10*  0.00', +0"},
        PositionCase{"CarryAddsADigit", "s089\xC2\xB0 59' 59.999\",E99\xB0 59' 59.999\",+0",
                     "s090*  0.00', E100*  0.00', +0"},
        PositionCase{"CarryOnlyFromSixty", "n1\xC2\xB0 59' 59.69\",e1\xC2\xB0 60' 0.6\",+0",
                     "n1* 59.99', e1* 60.01', +0"},
        PositionCase{"CarryFromMinutesWrittenAsSixty", "n1\xC2\xB0 60' 0.2\",e1\xC2\xB0 60.004',+0",
                     "n2*  0.00', e2*  0.00', +0"},
        PositionCase{"NoCarryIntoOtherDegrees",
                     "nhh\xC2\xB0 59' 59.999\",x47\xC2\xB0 59' 59.999\",+0",
                     "nhh* 60.00', x47* 60.00', +0"},
        PositionCase{"NoCarryWithoutDegrees", "59' 59.999\",n\xB0 59' 59.999\",+0",
                     "* 60.00', * 60.00', +0"},
        PositionCase{"DecimalDegreesCarry", "n70.9999999,-099.99999999999999999,+0",
                     "n71*  0.00', w100*  0.00', +0"},
        PositionCase{"DecimalDegreesOfTheNextDegree", "n70.99999999999999999,70.9999999,+0",
                     "n71*  0.00', e71*  0.00', +0"},
        PositionCase{"HalfwayRoundsUp", "s48\xC2\xB0 3' 7.50\",e11\xC2\xB0 43' 48.20\",+000000.00",
                     "s48*  3.13', e11* 43.80', +000000.00"},
        PositionCase{"FrankfurtDeparture",
                     "n50\xC2\xB0 1' 59.40\",e8\xC2\xB0 34' 14.80\",+000364.00",
                     "n50*  1.99', e8* 34.25', +000364.00"},
        PositionCase{"LeadingZeroMinutes", "n47\xC2\xB0 05' 3.00\",w077\xC2\xB0 07' 6.60\",+1",
                     "n47*  5.05', w077*  7.11', +1"},
        PositionCase{"FirstSignByteAnyValue", "n47\xE2\xB0 26' 56.40\",w122\xE2\xB0 18' 42.60\",+0",
                     "n47* 26.94', w122* 18.71', +0"},
        // Latin-1 and Windows-1252 plans store the sign as the one byte B0.
        PositionCase{"OneByteSign", "n47\xB0 26' 56.40\",w122\xB0 18' 42.60\",+0",
                     "n47* 26.94', w122* 18.71', +0"},
        PositionCase{"MarksEndNumbers",
                     "n47\xC2\xB0"
                     "26'56.40\",w122\xB0"
                     "18'42.60\",+000429.00",
                     "n47* 26.94', w122* 18.71', +000429.00"},
        PositionCase{"SignsEndNumbers",
                     "n1*5' 0\",\xB0"
                     "7' 0\",+0",
                     "n1*  5.00', *  7.00', +0"},
        PositionCase{"OneByteSignWithoutSpace",
                     "n46\xB0"
                     "51' 37\",e1\xB0"
                     "43' 16\",+000529.00",
                     "n46* 51.62', e1* 43.27', +000529.00"},
        // A comma is never a sign's first byte: it ends the coordinate.
        PositionCase{"CommaBeforeSignByteInLatitude",
                     "n47,\xB0 26' 56.40\",w122\xB0 18' 42.60\",+0",
                     "n47*  0.00', * 26.94', w122\xB0 18' 42.60\".+0"},
        PositionCase{"CommaBeforeSignByteInLongitude",
                     "n47\xC2\xB0 26' 56.40\",w122,\xB0 18' 42.60\",+0",
                     "n47* 26.94', w122*  0.00', \xB0 18' 42.60\".+0"},
        PositionCase{"OneByteSignAfterALetterIsNoSign", "n\xB0 5' 0\",w\xB0 5' 0\",+0",
                     "*  5.00', *  5.00', +0"},
        PositionCase{"DecimalMinutes", "s22\xC2\xB0 47.50',w45\xC2\xB0 12.29',+1761.00",
                     "s22* 47.50', w45* 12.29', +1761.00"},
        PositionCase{"DecimalMinutesAndSeconds", "n1\xC2\xB0 2.5' 30\",e1\xB0 0.25' 0.6\",+0",
                     "n1*  3.00', e1*  0.26', +0"},
        PositionCase{"DecimalDegrees", "n70.743103,w22.650499,+000000.00",
                     "n70* 44.59', w22* 39.03', +000000.00"},
        PositionCase{"DecimalDegreesPaddedAndWhole", "s05.25,w022,+0",
                     "s05* 15.00', w022*  0.00', +0"},
        PositionCase{"NotDecimalDegrees", "n1234.5,n70.,+0", "*  0.00', *  0.00', +0"},
        // Signed decimal degrees: the field and the sign give the letter.
        PositionCase{"SignedDecimalDegrees", "54.285833 , -130.444678,+116.0",
                     "n54* 17.15', w130* 26.68', +116.0"},
        PositionCase{"SignedDecimalDegreesOtherSigns", "-40.536111,+077.386111,0",
                     "s40* 32.17', e077* 23.17', 0"},
        PositionCase{"SignedDecimalDegreesWhole", "+5,-0,x", "n5*  0.00', w0*  0.00', x"},
        PositionCase{"SignedDecimalDegreesAroundTheCommas", " \t-0.5\t ,  179.75 , +1 ",
                     "s0* 30.00', e179* 45.00', +1"},
        PositionCase{"NotSignedDecimalDegrees", "--5,+-5,+0", "*  0.00', *  0.00', +0"},
        PositionCase{"NotSignedDecimalDegreesDigits", "1234.5,-5.,+0", "*  0.00', *  0.00', +0"},
        PositionCase{"NotSignedDecimalDegreesPoint", ".5,-.5,+0", "*  0.00', *  0.00', +0"},
        PositionCase{"NotSignedDecimalDegreesMoreText", "+ 5,-5e1,+0", "*  0.00', *  0.00', +0"},
        PositionCase{"NotSignedDecimalDegreesSignAfterLetter", "n-5,+n5,+0",
                     "*  0.00', *  0.00', +0"},
        PositionCase{"DecimalDegreesWithMoreText", "n70.5x,w22 5,+0", "*  0.00', *  0.00', +0"},
        PositionCase{"Empty", "", "*  0.00', *  0.00', "},
        PositionCase{"WhiteSpaceAroundFields",
                     " n47\xC2\xB0 26' 56.40\" , w122\xC2\xB0 18' 42.60\" , +000429.00 ",
                     "n47* 26.94', w122* 18.71', +000429.00"},
        PositionCase{"NoCommaIsAllAltitude", "abc", "*  0.00', *  0.00', abc"},
        PositionCase{"OneCommaIsLatitudeAndLongitude", "n1\xC2\xB0 2' 3\",+5",
                     "n1*  2.05', e5*  0.00', +000000.00"},
        PositionCase{"OneCommaOfTheCommonShape", "n47\xC2\xB0 26' 56.40\",w122\xC2\xB0 18' 42.60\"",
                     "n47* 26.94', w122* 18.71', +000000.00"},
        PositionCase{"OneCommaAlone", ",", "*  0.00', *  0.00', +000000.00"},
        PositionCase{"AltitudeWithDecimalComma",
                     "n1\xC2\xB0 0' 0.00\",e2\xC2\xB0 0' 0.00\",+000078,00",
                     "n1*  0.00', e2*  0.00', +000078.00"},
        PositionCase{"AltitudeWithCommas", "n1,e2, +78,5, ", "n1*  0.00', e2*  0.00', +78.5."},
        PositionCase{"CorruptDegrees", "nhh\xC2\xB0 12' 2.24\",w118\xC2\xB0 21' 8.57\",+000778.00",
                     "nhh* 12.04', w118* 21.14', +000778.00"},
        PositionCase{"NoApostropheNoQuote", "n47\xC2\xB0 26,w1\xC2\xB0,+0",
                     "n47*  0.00', w1*  0.00', +0"},
        PositionCase{"NoSpaceBeforeMarks", "26'30\",4'\",x", "* 26.50', *  4.00', x"},
        PositionCase{"MarkFirstByte", "'\",\"',x", "*  0.00', *  0.00', x"},
        PositionCase{"SecondsWithExponent", "n1\xC2\xB0 0' 6e1\",e1\xC2\xB0 0' 1e999\",+0",
                     "n1*  1.00', e1*   inf', +0"},
        PositionCase{"NegativeSeconds", "n1\xC2\xB0 0' -0.0\",e1\xC2\xB0 -0' -0.3\",+0",
                     "n1*  0.00', e1* -0.01', +0"},
        PositionCase{"HugeMinutesKeepTheirValue",
                     "n1\xC2\xB0 99999999999' 0\",e1\xC2\xB0 0' 0\",+0",
                     "n1* 99999999999.00', e1*  0.00', +0"},
        PositionCase{"InfAndNanReadAsZero", "n1\xC2\xB0 1' inf\",e1\xC2\xB0 1' nan\",+0",
                     "n1*  1.00', e1*  1.00', +0"}),
    [](const auto& test) { return test.param.name; });

TEST(ConvertPositionTest, AppendingKeepsWhatTheTextHeld) {
  const std::string_view position = "N48\xC2\xB0 0' 0.00\",E8\xC2\xB0 59' 0.00\",+000000.00";
  std::string text = "earlier, ";
  AppendConvertedPosition(text, position);
  AppendConvertedPosition(text, position);
  EXPECT_EQ(text,
            "earlier, N48*  0.00', E8* 59.00', +000000.00N48*  0.00', E8* 59.00', +000000.00");
}

// The common shape is read in one pass. A byte after the closing quote makes no difference to
// the general reading but takes the one-pass reading out of play, so the two must agree on every
// coordinate of that shape and every near miss of it, wherever the commas and spaces stand.
TEST(ConvertPositionTest, OnePassReadingAgreesWithTheGeneralReading) {
  std::mt19937 random(20261209);
  const auto pick = [&](std::string_view from) { return from[random() % from.size()]; };
  const auto digits = [&](std::size_t most) {
    std::string text;
    for (std::size_t count = random() % (most + 1); count > 0; --count) text += pick("0123456789");
    return text;
  };
  const std::string_view signs[] = {"\xC2\xB0", "\xE2\xB0", "\xB0", "*"};
  const auto coordinate = [&] {
    std::string text(1, pick("nsewNSEWx*"));
    // Now and then seconds of more digits than one exact division takes.
    const std::size_t secondsDigits = random() % 8 == 0 ? 18 : 3;
    text += digits(4) + std::string(signs[random() % 4]) + " " + digits(3) + "' " +
            digits(secondsDigits);
    if (random() % 2 == 0) text += "." + digits(secondsDigits);
    // A near miss, now and then: one byte anywhere but the closing quote.
    if (random() % 3 == 0) text[random() % text.size()] = pick(" '\".09*x\xB0\xC2");
    return text + '"';
  };
  // Both coordinates are read where they stand only when a comma follows each right away; white
  // space around the commas and the altitude must not change what they give.
  const std::string_view separators[] = {",", " ,", ", ", "\t,\t"};
  // Commas in altitudes of each length that the one-pass writing copies its own way.
  const std::string_view altitudes[] = {"+0",         " +000429.00 ",      "",
                                        "+0,5",       "+000078,00",        ",2,4,6,8,0,2,4,6",
                                        ",,,,,,,,,,", "+000000000078,00,", "1,"};
  for (int i = 0; i < 200000; ++i) {
    const std::string latitude = coordinate();
    const std::string longitude = coordinate();
    const std::string first(separators[random() % 4]);
    const std::string second = std::string(separators[random() % 4]) +
                               std::string(altitudes[random() % std::size(altitudes)]);
    ASSERT_EQ(ConvertPosition(latitude + first + longitude + second),
              ConvertPosition(latitude + "x" + first + longitude + "x" + second))
        << latitude << first << longitude << second;
  }
}

}  // namespace
}  // namespace tarnwick
