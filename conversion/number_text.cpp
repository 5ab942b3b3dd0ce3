#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

#include "white_space.h"

namespace tarnwick {

namespace {

constexpr std::size_t kMinutesFieldWidth = 5;

// "00" to "99": two digits are written with one look-up instead of two divisions.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

std::string_view SkipLeadingWhiteSpace(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  return text;
}

// Removes an optional sign from the front of `text`; true when it was a minus.
bool TakeSign(std::string_view& text) {
  if (text.empty() || (text.front() != '+' && text.front() != '-')) return false;
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  return negative;
}

// Length of the decimal number at the start of `text` (no sign), 0 when there is none.
std::size_t DecimalNumberLength(std::string_view text) {
  std::size_t length = CountDigits(text, 0);
  std::size_t digits = length;
  if (length < text.size() && text[length] == '.') {
    const std::size_t fraction = CountDigits(text, length + 1);
    digits += fraction;
    length += 1 + fraction;
  }
  if (digits == 0) return 0;
  if (length < text.size() && (text[length] == 'e' || text[length] == 'E')) {
    std::size_t exponent = length + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const std::size_t exponentDigits = CountDigits(text, exponent);
    if (exponentDigits > 0) length = exponent + exponentDigits;
  }
  return length;
}

// The number at the start of `text` where it has at most ExactDecimalDigits digits, an optional
// point and no exponent, such as "56.40", read in one pass, exactly as from_chars reads it.
// Nothing for any other form, and for text that holds no number.
std::optional<double> ReadShortDecimal(std::string_view text) {
  std::uint64_t digits = 0;
  std::size_t count = 0;
  std::size_t fractionDigits = 0;
  std::size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]) && count <= ExactDecimalDigits; ++i, ++count) {
    digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]) && count <= ExactDecimalDigits;
         ++i, ++count, ++fractionDigits) {
      digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
    }
  }
  const bool more = i < text.size() && (IsDigit(text[i]) || text[i] == 'e' || text[i] == 'E');
  if (count == 0 || count > ExactDecimalDigits || more) return std::nullopt;
  return ExactDecimal(digits, fractionDigits);
}

// Whether a number that from_chars found out of range is too large (rather than too small):
// the decimal position of its first non-zero digit decides.
bool IsOverflow(std::string_view number) {
  const std::size_t exponentMark = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentMark);
  long long magnitude = 0;
  if (exponentMark != std::string_view::npos) {
    magnitude = ReadWholeNumber(number.substr(exponentMark + 1));
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t firstNonZero = mantissa.find_first_of("123456789");
  if (firstNonZero == std::string_view::npos) return false;
  const long long place = firstNonZero < point ? static_cast<long long>(point - firstNonZero) - 1
                                               : -static_cast<long long>(firstNonZero - point);
  return magnitude + place > 0;
}

// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

// |value| in hundredths, rounded half up on its 17 significant digits, where that can be told
// without writing them out. The 17-digit form and the product below differ from the exact
// hundredths by less than 2e-16 of them: farther than that from a halfway point, both round the
// same way.
std::optional<long long> PlainHundredths(double magnitude) {
  const double hundredths = magnitude * 100;
  if (!(hundredths < 1e15)) return std::nullopt;
  // Below 10^15 the conversion is exact; for a magnitude it cuts towards zero, as floor does.
  const auto whole = static_cast<long long>(hundredths);
  const double fraction = hundredths - static_cast<double>(whole);
  if (std::fabs(fraction - 0.5) <= hundredths * 1e-15) return std::nullopt;
  return whole + (fraction > 0.5 ? 1 : 0);
}

// |value| in hundredths as decimal digits, rounded half up on its 17 significant digits.
std::string Hundredths(double magnitude) {
  constexpr int kPrecision = 16;  // digits after the first: 17 significant digits
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                     std::chars_format::scientific, kPrecision);
  const std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  std::string digits(1, text[0]);
  digits.append(text.substr(2, kPrecision));
  const long long exponent = ReadWholeNumber(text.substr(text.find('e') + 1));
  // value * 100 = digits * 10^(exponent + 2 - kPrecision)
  const long long shift = exponent + 2 - kPrecision;
  if (shift >= 0) {
    digits.append(static_cast<std::size_t>(shift), '0');
    return digits;
  }
  const auto dropped = static_cast<std::size_t>(-shift);
  if (dropped > digits.size()) return "0";
  const std::size_t keptCount = digits.size() - dropped;
  std::string kept = keptCount == 0 ? std::string("0") : digits.substr(0, keptCount);
  if (digits[keptCount] >= '5') Increment(kept);
  return kept;
}

}  // namespace

char* WriteMinutesField(char* at, double value) {
  const std::optional<long long> plain = PlainHundredths(std::fabs(value));
  if (!plain) return nullptr;
  const long long units = *plain / 100;
  const auto hundredths = static_cast<std::size_t>(*plain % 100);
  // Minutes below 100 (nearly all) fill the field exactly, with a space in front of one digit.
  if (units < 100 && !std::signbit(value)) {
    const char* pair = kDigitPairs + 2 * units;
    *at++ = units < 10 ? ' ' : pair[0];
    *at++ = pair[1];
  } else {
    char text[MinutesFieldRoom];
    char* end = text;
    if (std::signbit(value)) *end++ = '-';
    end = std::to_chars(end, text + sizeof text, units).ptr;
    const auto written = static_cast<std::size_t>(end - text) + 3;
    if (written < kMinutesFieldWidth) at = std::fill_n(at, kMinutesFieldWidth - written, ' ');
    at = std::copy(text, end, at);
  }
  *at++ = '.';
  *at++ = kDigitPairs[2 * hundredths];
  *at++ = kDigitPairs[2 * hundredths + 1];
  return at;
}

std::int32_t ReadWholeNumber(std::string_view text) {
  text = SkipLeadingWhiteSpace(text);
  const bool negative = TakeSign(text);
  constexpr long long kLimit = 1LL << 31;
  long long magnitude = 0;
  for (std::size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

double ReadDecimalNumber(std::string_view text) {
  text = SkipLeadingWhiteSpace(text);
  const bool negative = TakeSign(text);
  // Most numbers are short and plain ("56.40"): read in one pass, exactly as from_chars would.
  if (const std::optional<double> exact = ReadShortDecimal(text))
    return negative ? -*exact : *exact;
  const std::string_view number = text.substr(0, DecimalNumberLength(text));
  if (number.empty()) return 0.0;
  double magnitude = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    magnitude = IsOverflow(number) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -magnitude : magnitude;
}

void AppendMinutesField(std::string& out, double value) {
  char field[MinutesFieldRoom];
  if (const char* end = WriteMinutesField(field, value)) {
    out.append(field, static_cast<std::size_t>(end - field));
    return;
  }
  const std::size_t start = out.size();
  if (std::signbit(value)) out.push_back('-');
  if (std::isinf(value) || std::isnan(value)) {
    out.append(std::isinf(value) ? "inf" : "nan");
  } else {
    std::string digits = Hundredths(std::fabs(value));
    const std::size_t firstSignificant = std::min(digits.find_first_not_of('0'), digits.size());
    digits.erase(0, firstSignificant);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    const std::size_t units = digits.size() - 2;
    out.append(digits, 0, units);
    out.push_back('.');
    out.append(digits, units, 2);
  }
  const std::size_t written = out.size() - start;
  if (written < kMinutesFieldWidth) out.insert(start, kMinutesFieldWidth - written, ' ');
}

}  // namespace tarnwick
