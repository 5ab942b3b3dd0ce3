#include "position_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "number_text.h"
#include "white_space.h"

namespace tarnwick {

namespace {

constexpr char kDegreeSignLastByte = '\xB0';

constexpr bool IsHemisphereLetter(char byte) {
  switch (byte) {
    case 'n':
    case 's':
    case 'e':
    case 'w':
    case 'N':
    case 'S':
    case 'E':
    case 'W':
      return true;
    default:
      return false;
  }
}

// The text from the nearest space before the first `mark` (the space included) up to the mark;
// from the coordinate's first byte when no space precedes it, empty when there is no mark.
std::string_view TextBeforeMark(std::string_view coordinate, char mark) {
  const std::size_t markAt = coordinate.find(mark);
  if (markAt == std::string_view::npos) return {};
  const std::size_t space =
      markAt == 0 ? std::string_view::npos : coordinate.rfind(' ', markAt - 1);
  const std::size_t start = space == std::string_view::npos ? 0 : space;
  return coordinate.substr(start, markAt - start);
}

// Minutes with or without a fraction, plus the seconds where there are any.
double DecimalMinutes(std::string_view coordinate) {
  const double minutes = ReadDecimalNumber(TextBeforeMark(coordinate, '\''));
  const double secondsAsMinutes =
      ReadDecimalNumber(TextBeforeMark(coordinate, '"')) * SecondsFactor;
  return minutes + secondsAsMinutes;
}

// The most bytes of a canonical coordinate's degrees text: the letter and three digits.
constexpr std::size_t kCanonicalDegreesRoom = 4;
// The most bytes of a canonical coordinate as written: degrees, "* ", minutes field and "', ".
constexpr std::size_t kCoordinateRoom = kCanonicalDegreesRoom + 2 + MinutesFieldRoom + 3;

// Writes "* ", the minutes field and "', " at `at` and gives their end, where the field is quick
// to write (nearly always); else null, and what it wrote does not count.
char* WriteMinutesPart(char* at, double minutes) {
  *at++ = '*';
  *at++ = ' ';
  at = WriteMinutesField(at, minutes);
  if (at == nullptr) return nullptr;
  *at++ = '\'';
  *at++ = ',';
  *at++ = ' ';
  return at;
}

// Degrees text, "* ", minutes field and "', ", appended to `out`.
void AppendCoordinate(std::string& out, std::string_view degrees, double minutes) {
  out.append(degrees);
  out.append("* ");
  AppendMinutesField(out, minutes);
  out.append("', ");
}

// The digits of decimal degrees, "70.743103" or "022.5" or "5": one to three digits, and
// optionally a point with digits after it. Gives the number of whole-degree digits, or 0 when the
// text has another form.
std::size_t WholeDegreeDigits(std::string_view digits) {
  const std::size_t whole = CountDigits(digits, 0);
  if (whole < 1 || whole > 3) return 0;
  if (whole == digits.size()) return whole;
  const std::size_t fractionDigits = CountDigits(digits, whole + 1);
  const bool fraction = digits[whole] == '.' && fractionDigits > 0;
  return fraction && whole + 1 + fractionDigits == digits.size() ? whole : 0;
}

// Decimal degrees after a hemisphere letter, "n70.743103" or "w022.5" or "s5". Gives the length
// of the whole degrees text (letter and digits before the point), or 0 for another form.
std::size_t DecimalDegreesLength(std::string_view coordinate) {
  if (coordinate.empty() || !IsHemisphereLetter(coordinate.front())) return 0;
  const std::size_t whole = WholeDegreeDigits(coordinate.substr(1));
  return whole == 0 ? 0 : 1 + whole;
}

// The hemisphere letters of one field, for a coordinate without a sign or with '+', and for one
// with '-'.
struct Hemispheres {
  char positive;
  char negative;
};
constexpr Hemispheres kLatitude{'n', 's'};
constexpr Hemispheres kLongitude{'e', 'w'};

// Degrees text and minutes of decimal degrees whose degrees text is given, from their digits.
void AppendDecimalDegrees(std::string& out, std::string_view degrees, std::string_view digits) {
  const double value = ReadDecimalNumber(digits);
  AppendCoordinate(out, degrees, (value - std::floor(value)) * 60.0);
}

// Signed decimal degrees, "54.285833" or "-130.444678" or "+5": an optional sign and the digits
// of decimal degrees, converted as they are after the letter that their field and sign give.
// False, with nothing appended, for any other form.
bool AppendSignedDecimalDegrees(std::string& out, std::string_view coordinate,
                                Hemispheres hemispheres) {
  const bool sign = !coordinate.empty() && (coordinate.front() == '+' || coordinate.front() == '-');
  const std::string_view digits = coordinate.substr(sign ? 1 : 0);
  const std::size_t whole = WholeDegreeDigits(digits);
  if (whole == 0) return false;
  std::array<char, 4> degrees{coordinate.front() == '-' ? hemispheres.negative
                                                        : hemispheres.positive};
  std::copy_n(digits.begin(), whole, degrees.begin() + 1);
  AppendDecimalDegrees(out, {degrees.data(), 1 + whole}, digits);
  return true;
}

// Where the degree sign stands, it becomes "* ". A one-byte sign (B0 right after a degree digit,
// as Latin-1 and Windows-1252 files store it) is replaced alone; otherwise B0 is the second byte
// of the UTF-8 sign, whose first byte (whatever case mapping made of it) becomes the asterisk.
// The marked coordinate goes into `room` where it fits (nearly always), else into `spare`.
std::string_view MarkDegreeSign(std::string_view text, std::array<char, 64>& room,
                                std::string& spare) {
  const std::size_t sign = text.find(kDegreeSignLastByte);
  if (sign == std::string_view::npos || sign == 0) return text;
  const bool oneByte = IsDigit(text[sign - 1]);
  const std::string_view before = text.substr(0, oneByte ? sign : sign - 1);
  const std::string_view after = text.substr(sign + 1);
  const std::size_t size = before.size() + 2 + after.size();
  char* marked = room.data();
  if (size > room.size()) {
    spare.resize(size);
    marked = spare.data();
  }
  std::copy(before.begin(), before.end(), marked);
  marked[before.size()] = '*';
  marked[before.size() + 1] = ' ';
  std::copy(after.begin(), after.end(), marked + before.size() + 2);
  return {marked, size};
}

constexpr bool IsAsciiLetter(char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

// A coordinate of the shape that nearly every plan writes, as ReadCanonicalCoordinate reads it.
struct CanonicalCoordinate {
  std::size_t degrees;  // the length of the degrees text: the letter and the degree digits
  std::size_t length;   // the length of the whole coordinate, its closing quote included
  double minutes;
};

// The common shape, `n47° 26' 56.40"` (the sign as UTF-8 or one byte, whole seconds or with
// decimals), at the start of `text`, read in one pass; nothing where the text starts otherwise.
// It never holds a comma, so it stands whole before the comma that ends it. For this shape the
// steps of the general reading below give exactly the same.
std::optional<CanonicalCoordinate> ReadCanonicalCoordinate(std::string_view text) {
  // The shortest text of the shape, `n0° 0' 0"` with a one-byte sign: every fixed-place byte
  // read below before the seconds lies within it.
  constexpr std::size_t kShortest = 9;
  static_assert(kShortest >= kCanonicalDegreesRoom);
  if (text.size() < kShortest) return std::nullopt;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  // A letter and one to three degree digits.
  if (!IsAsciiLetter(begin[0]) || !IsDigit(begin[1])) return std::nullopt;
  std::size_t degrees = 2;
  while (degrees < 5 && IsDigit(begin[degrees])) ++degrees;
  if (degrees == 5) return std::nullopt;
  const char* at = begin + degrees;
  // The one-byte sign, or a sign's first byte and then B0 (both within the shortest text).
  if (at[0] == kDegreeSignLastByte) {
    at += 1;
  } else if (at[1] == kDegreeSignLastByte && at[0] != ',') {
    at += 2;
  } else {
    return std::nullopt;
  }
  // A space, then one or two minute digits, an apostrophe and a space.
  if (end - at < 5 || at[0] != ' ' || !IsDigit(at[1])) return std::nullopt;
  int minutes = at[1] - '0';
  at += 2;
  if (IsDigit(*at)) minutes = minutes * 10 + (*at++ - '0');
  if (end - at < 3 || at[0] != '\'' || at[1] != ' ') return std::nullopt;
  // The seconds' digits as one whole number, and how many of them follow the point.
  const char* const seconds = at += 2;
  std::uint64_t secondsDigits = 0;
  for (; at != end && IsDigit(*at); ++at)
    secondsDigits = secondsDigits * 10 + static_cast<unsigned>(*at - '0');
  if (at == seconds) return std::nullopt;
  const char* fraction = at;
  if (at != end && *at == '.') {
    fraction = ++at;
    for (; at != end && IsDigit(*at); ++at)
      secondsDigits = secondsDigits * 10 + static_cast<unsigned>(*at - '0');
  }
  if (at == end || *at != '"') return std::nullopt;
  const auto fractionDigits = static_cast<std::size_t>(at - fraction);
  const auto digitCount = static_cast<std::size_t>(at - seconds) - (fraction == seconds ? 0 : 1);
  // Too many digits for one exact division: the general decimal reading.
  const double secondsValue =
      digitCount <= ExactDecimalDigits
          ? ExactDecimal(secondsDigits, fractionDigits)
          : ReadDecimalNumber({seconds, static_cast<std::size_t>(at - seconds)});
  return CanonicalCoordinate{degrees, static_cast<std::size_t>(at + 1 - begin),
                             minutes + secondsValue * SecondsFactor};
}

// One coordinate of the field that `hemispheres` belong to as degrees text, "* ", minutes field
// and "', ", appended to `out`.
void AppendConvertedCoordinate(std::string& out, std::string_view text, Hemispheres hemispheres) {
  if (const auto canonical = ReadCanonicalCoordinate(text);
      canonical && canonical->length == text.size()) {
    AppendCoordinate(out, text.substr(0, canonical->degrees), canonical->minutes);
    return;
  }
  if (const std::size_t degrees = DecimalDegreesLength(text); degrees > 0) {
    AppendDecimalDegrees(out, text.substr(0, degrees), text.substr(1));
    return;
  }
  if (AppendSignedDecimalDegrees(out, text, hemispheres)) return;
  std::array<char, 64> room;
  std::string spare;
  const std::string_view coordinate = MarkDegreeSign(text, room, spare);
  const std::string_view trimmed = TrimTrailingWhiteSpace(coordinate);
  const std::size_t asterisk = trimmed.find('*');
  const std::string_view degrees =
      asterisk == std::string_view::npos ? std::string_view{} : trimmed.substr(0, asterisk);
  AppendCoordinate(out, degrees, DecimalMinutes(trimmed));
}

// A canonical coordinate at the start of `text` that a comma follows; nothing otherwise.
std::optional<CanonicalCoordinate> CanonicalBeforeComma(std::string_view text) {
  const auto coordinate = ReadCanonicalCoordinate(text);
  if (!coordinate || coordinate->length >= text.size() || text[coordinate->length] != ',')
    return std::nullopt;
  return coordinate;
}

// Both coordinates of the common shape, read where they stand without splitting the position
// first; false, with nothing appended, for any other position or a field of the general writing.
bool AppendCanonicalPosition(std::string& out, std::string_view input) {
  const auto latitude = CanonicalBeforeComma(input);
  if (!latitude) return false;
  const std::string_view rest = input.substr(latitude->length + 1);
  const auto longitude = CanonicalBeforeComma(rest);
  if (!longitude) return false;
  // Both written into one piece, each one's degrees (four bytes at most, of a coordinate of nine
  // at least) copied as four bytes at once.
  char text[2 * kCoordinateRoom];
  std::memcpy(text, input.data(), kCanonicalDegreesRoom);
  char* at = WriteMinutesPart(text + latitude->degrees, latitude->minutes);
  if (at == nullptr) return false;
  std::memcpy(at, rest.data(), kCanonicalDegreesRoom);
  at = WriteMinutesPart(at + longitude->degrees, longitude->minutes);
  if (at == nullptr) return false;
  out.append(text, static_cast<std::size_t>(at - text));
  out.append(TrimWhiteSpace(rest.substr(longitude->length + 1)));
  return true;
}

}  // namespace

void AppendConvertedPosition(std::string& out, std::string_view position) {
  constexpr auto npos = std::string_view::npos;
  const std::string_view input = TrimWhiteSpace(position);
  if (AppendCanonicalPosition(out, input)) return;
  const std::size_t firstComma = input.find(',');
  const std::size_t secondComma = firstComma == npos ? npos : input.find(',', firstComma + 1);
  const std::string_view latitude =
      firstComma == npos ? std::string_view{} : input.substr(0, firstComma);
  const std::string_view longitude =
      secondComma == npos ? std::string_view{}
                          : input.substr(firstComma + 1, secondComma - firstComma - 1);
  const std::string_view altitude = secondComma == npos ? input : input.substr(secondComma + 1);
  AppendConvertedCoordinate(out, TrimWhiteSpace(latitude), kLatitude);
  AppendConvertedCoordinate(out, TrimWhiteSpace(longitude), kLongitude);
  out.append(TrimWhiteSpace(altitude));
}

std::string ConvertPosition(std::string_view position) {
  std::string converted;
  converted.reserve(48 + position.size());
  AppendConvertedPosition(converted, position);
  return converted;
}

}  // namespace tarnwick
