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

}  // namespace tarnwick
