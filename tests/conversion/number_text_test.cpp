#include "number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "position_conversion.h"

namespace tarnwick {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::string FormatMinutesField(double value) {
  std::string field;
  AppendMinutesField(field, value);
  return field;
}

struct WholeCase {
  std::string text;
  std::int32_t value;
};

class ReadWholeNumberTest : public ::testing::TestWithParam<WholeCase> {};

TEST_P(ReadWholeNumberTest, ReadsLikeAtoiAndSaturates) {
  EXPECT_EQ(ReadWholeNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadWholeNumberTest,
    ::testing::Values(WholeCase{" 26", 26}, WholeCase{"05", 5}, WholeCase{"-7", -7},
                      WholeCase{"+3", 3}, WholeCase{"3.9", 3}, WholeCase{"", 0}, WholeCase{"x1", 0},
                      WholeCase{"- 1", 0}, WholeCase{"\t\n\v\f\r 12", 12},
                      WholeCase{"2147483647", 2147483647}, WholeCase{"2147483648", 2147483647},
                      WholeCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      WholeCase{"-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
                      WholeCase{"99999999999999999999", 2147483647}));

struct DecimalCase {
  std::string text;
  double value;
};

class ReadDecimalNumberTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ReadDecimalNumberTest, ReadsDecimalFormsOnly) {
  const double value = ReadDecimalNumber(GetParam().text);
  EXPECT_EQ(value, GetParam().value) << GetParam().text;
  EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadDecimalNumberTest,
    ::testing::Values(DecimalCase{"56.40", 56.4}, DecimalCase{" 56.40", 56.4},
                      DecimalCase{"-3.5", -3.5}, DecimalCase{"+2", 2.0}, DecimalCase{".5", 0.5},
                      DecimalCase{"5.", 5.0}, DecimalCase{".", 0.0}, DecimalCase{"", 0.0},
                      DecimalCase{"-", 0.0}, DecimalCase{"abc", 0.0}, DecimalCase{"inf", 0.0},
                      DecimalCase{"-infinity", 0.0}, DecimalCase{"nan", 0.0},
                      DecimalCase{"0x1p3", 0.0}, DecimalCase{"1e3", 1000.0}, DecimalCase{"1e", 1.0},
                      DecimalCase{"1e+", 1.0}, DecimalCase{"2E-1", 0.2}, DecimalCase{"12abc", 12.0},
                      DecimalCase{"1,5", 1.0}, DecimalCase{"-0", -0.0},
                      DecimalCase{"1e999", kInfinity}, DecimalCase{"-1e999", -kInfinity},
                      DecimalCase{"1e-999", 0.0}, DecimalCase{"-1e-999", -0.0},
                      DecimalCase{"0.000000000000000000000000000000001e-300", 0.0},
                      DecimalCase{std::string(400, '9'), kInfinity},
                      DecimalCase{"4.9406564584124654e-324", 4.9406564584124654e-324}));

struct FormatCase {
  double value;
  std::string field;
};

class FormatMinutesFieldTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatMinutesFieldTest, WritesTwoDecimalsRightAligned) {
  EXPECT_EQ(FormatMinutesField(GetParam().value), GetParam().field) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatMinutesFieldTest,
    ::testing::Values(FormatCase{0.0, " 0.00"}, FormatCase{-0.0, "-0.00"},
                      FormatCase{26.94, "26.94"}, FormatCase{5.05, " 5.05"},
                      FormatCase{3.125, " 3.13"},  // exactly halfway: up
                      FormatCase{0.005, " 0.01"},  // 0.005000000000000000104
                      FormatCase{2.675, " 2.67"},  // 2.674999999999999822
                      FormatCase{1.005, " 1.00"},  // 1.004999999999999893
                      FormatCase{0.0049999, " 0.00"}, FormatCase{9.999, "10.00"},
                      FormatCase{59.998333333333335, "60.00"}, FormatCase{-1.5, "-1.50"},
                      FormatCase{-0.001, "-0.00"}, FormatCase{99.994, "99.99"},
                      FormatCase{99.996, "100.00"}, FormatCase{123456.789, "123456.79"},
                      FormatCase{1e20, "100000000000000000000.00"}, FormatCase{1e-300, " 0.00"},
                      FormatCase{4.9406564584124654e-324, " 0.00"}, FormatCase{kInfinity, "  inf"},
                      FormatCase{-kInfinity, " -inf"}));

TEST(FormatMinutesFieldTest, LargestDoubleIsWrittenInFull) {
  const std::string field = FormatMinutesField(std::numeric_limits<double>::max());
  EXPECT_EQ(field.size(), 309u + 3u);
  EXPECT_EQ(field.substr(0, 17), "17976931348623157");
  EXPECT_EQ(field.substr(field.size() - 4), "0.00");
}

// The quick paths for short numbers and values clear of a halfway point must agree with the
// exact rules everywhere: decimal texts read as from_chars reads them, and fields rounded half up
// on the 17 significant digits that "%.16e" writes.
std::string ReferenceField(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.16e", std::fabs(value));
  const std::string written = text;
  const std::string mantissa = written.substr(0, 1) + written.substr(2, 16);
  const int exponent = std::stoi(written.substr(written.find('e') + 1));
  const int dropped = 16 - 2 - exponent;  // digits beyond the hundredths; values below 1e13
  long long hundredths = 0;
  if (dropped <= 17) {
    const std::size_t kept = mantissa.size() - static_cast<std::size_t>(dropped);
    hundredths = kept == 0 ? 0 : std::stoll(mantissa.substr(0, kept));
    if (mantissa[kept] >= '5') ++hundredths;
  }
  char field[64];
  std::snprintf(field, sizeof field, "%s%lld.%02lld", std::signbit(value) ? "-" : "",
                hundredths / 100, hundredths % 100);
  std::string padded = field;
  if (padded.size() < 5) padded.insert(0, 5 - padded.size(), ' ');
  return padded;
}

TEST(NumberTextTest, QuickPathsAgreeWithTheExactRules) {
  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<int> draw(0, 99999);
  for (int i = 0; i < 100000; ++i) {
    const std::string seconds = std::to_string(draw(random) % 60) + "." +
                                std::to_string(draw(random) % 1000 + 1000).substr(1);
    double expected = 0;
    std::from_chars(seconds.data(), seconds.data() + seconds.size(), expected);
    ASSERT_EQ(ReadDecimalNumber(seconds), expected) << seconds;
    // Minutes as the conversion makes them, and values on or beside a halfway point (x.xx5).
    const double minutes = draw(random) % 60 + expected * SecondsFactor;
    const double halfway = (draw(random) * 10 + 5) / 1000.0;
    for (const double value :
         {minutes, halfway, std::nextafter(halfway, 0.0), std::nextafter(halfway, 1e9), -minutes}) {
      ASSERT_EQ(FormatMinutesField(value), ReferenceField(value)) << value;
    }
  }
}

}  // namespace
}  // namespace tarnwick
