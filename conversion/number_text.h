#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Number reading and writing for position texts, the same on every platform and in every locale.

constexpr bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

// The length of the run of decimal digits at `from` in `text`.
constexpr std::size_t CountDigits(std::string_view text, std::size_t from) {
  std::size_t count = 0;
  while (from + count < text.size() && IsDigit(text[from + count])) ++count;
  return count;
}

// Decimal numbers of at most this many digits are exact as their digits, a whole number, over a
// power of ten: both are exact doubles, so one division gives the correctly rounded value.
inline constexpr std::size_t ExactDecimalDigits = 15;

// The number whose decimal digits, read as a whole number, are `digits`, `fractionDigits` of them
// after the point: as from_chars reads it, where there are at most ExactDecimalDigits digits.
inline double ExactDecimal(std::uint64_t digits, std::size_t fractionDigits) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  return static_cast<double>(digits) / kPowersOfTen[fractionDigits];
}

// The whole number at the start of `text`, read like atoi: white space skipped, an optional
// sign, digits up to the first other byte; no digits read as 0. Saturates at the 32-bit limits.
std::int32_t ReadWholeNumber(std::string_view text);

// The decimal number at the start of `text`, read like strtod restricted to decimal forms:
// white space skipped, optional sign, digits with an optional ".", an exponent with at least one
// digit; no number reads as 0. Too large a magnitude gives an infinity.
double ReadDecimalNumber(std::string_view text);

// Appends `value` as "%5.2f" writes it, rounded half up at the second decimal of its 17-digit
// decimal form, so that 3.125 gives " 3.13" on every platform. Infinities are "inf" and "-inf".
void AppendMinutesField(std::string& out, double value);

// The most bytes a field of WriteMinutesField takes: a sign, 13 digits, the point and two more.
inline constexpr std::size_t MinutesFieldRoom = 24;

// Writes the field of AppendMinutesField at `at` and gives its end, where the value is clear of
// a halfway point between hundredths and below 10^13 (nearly always); nothing is written and the
// result is null for any other value.
char* WriteMinutesField(char* at, double value);

}  // namespace tarnwick
