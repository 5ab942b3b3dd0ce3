#include "position_conversion.h"

#include <algorithm>
#include <array>
#include <cstddef>
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

// The bytes that end a number read back from a mark: a space, and the marks and degree signs
// themselves, so that "26'56.40\"" reads as 26 minutes and 56.40 seconds, spaces or not.
constexpr bool EndsNumber(char byte) {
  return byte == ' ' || byte == '\'' || byte == '*' || byte == kDegreeSignLastByte;
}

// The text between the nearest byte that ends a number before the first `mark` and the mark, both
// excluded; from the coordinate's first byte when no such byte precedes it, empty when there is
// no mark.
std::string_view TextBeforeMark(std::string_view coordinate, char mark) {
  const std::size_t markAt = coordinate.find(mark);
  if (markAt == std::string_view::npos) return {};
  std::size_t start = markAt;
  while (start > 0 && !EndsNumber(coordinate[start - 1])) --start;
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

// Whether minutes may be written as 60.00: a quick test, ahead of writing the field.
constexpr bool MayWriteSixty(double minutes) { return minutes >= 59.99 && minutes < 60.01; }

// A degrees text that can count one degree more: a hemisphere letter and degree digits alone.
bool IsLetterAndDegreeDigits(std::string_view degrees) {
  return degrees.size() >= 2 && IsHemisphereLetter(degrees.front()) &&
         CountDigits(degrees, 1) == degrees.size() - 1;
}

// Adds one to the digits of `text` from `first` up to `end`, a digit more in front where all are
// nines: "09" gives "10", "99" gives "100".
void AddOne(std::string& text, std::size_t first, std::size_t end) {
  for (std::size_t at = end; at > first; --at) {
    if (text[at - 1] != '9') {
      ++text[at - 1];
      return;
    }
    text[at - 1] = '0';
  }
  text.insert(first, 1, '1');
}

// Degrees text, "* ", minutes field and "', ", appended to `out`. Minutes that would be written as
// 60.00 are the next degree, where the degrees text can count it: a target reader takes minutes
// below 60 only.
void AppendCoordinate(std::string& out, std::string_view degrees, double minutes) {
  const std::size_t start = out.size();
  out.append(degrees);
  out.append("* ");
  const std::size_t field = out.size();
  AppendMinutesField(out, minutes);
  if (MayWriteSixty(minutes) && IsLetterAndDegreeDigits(degrees) &&
      out.compare(field, std::string::npos, "60.00") == 0) {
    out.replace(field, std::string::npos, " 0.00");
    AddOne(out, start + 1, start + degrees.size());
  }
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

// Degrees text and minutes of decimal degrees whose degrees text (a letter and the whole degrees)
// is given, from their digits. The minutes count from the degrees as written, so that digits that
// read as the next whole degree ("70.99999999999999999" is 71.0) give 60 minutes, which carry.
void AppendDecimalDegrees(std::string& out, std::string_view degrees, std::string_view digits) {
  const double value = ReadDecimalNumber(digits);
  const double whole = ReadWholeNumber(degrees.substr(1));
  AppendCoordinate(out, degrees, (value - whole) * 60.0);
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
// decimals), at the start of `text`, read in one pass; nothing where the text starts otherwise,
// and nothing for minutes that may carry into the degrees.
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
  // Minutes from just below 60 up are left to the general reading, which carries. Minutes written
  // as 60.00 take 3599.7 seconds at least: told from whole numbers, so the test waits for no
  // division. (A whole part too long to count stands far from 60 minutes.)
  if (static_cast<std::uint64_t>(minutes) * 60 + secondsDigits >= 3599) return std::nullopt;
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

// Points for the commas of the text that `out` holds from `start` on.
void CommasToPoints(std::string& out, std::size_t start) {
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), ',', '.');
}

// The altitude, trimmed, with a point for every comma: writers with a decimal comma give
// "+000078,00", which a target reader would split into two fields.
void AppendAltitude(std::string& out, std::string_view altitude) {
  altitude = TrimWhiteSpace(altitude);
  const std::size_t start = out.size();
  out.append(altitude);
  if (altitude.find(',') != std::string_view::npos) CommasToPoints(out, start);
}

// The eight bytes at `from` copied to `to`, each comma made a point. The sum keeps the high bits
// out, so no carry crosses a byte: a high bit is then set exactly where the byte is no comma, and
// 2 (',' + 2 is '.') is added where it is not set.
void CopyEightCommasToPoints(const char* from, char* to) {
  constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2C;
  constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7F;
  std::uint64_t eight = 0;
  std::memcpy(&eight, from, 8);
  const std::uint64_t differs = eight ^ kCommas;
  const std::uint64_t noComma = ((differs & kLowBits) + kLowBits) | differs;
  eight += (~noComma & ~kLowBits) >> 6;
  std::memcpy(to, &eight, 8);
}

// The most bytes of an altitude that the common shape's writing copies itself: "+000429.00" and
// a few more.
constexpr std::size_t kAltitudeRoom = 16;

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
  char text[2 * kCoordinateRoom + kAltitudeRoom];
  std::memcpy(text, input.data(), kCanonicalDegreesRoom);
  char* at = WriteMinutesPart(text + latitude->degrees, latitude->minutes);
  if (at == nullptr) return false;
  std::memcpy(at, rest.data(), kCanonicalDegreesRoom);
  at = WriteMinutesPart(at + longitude->degrees, longitude->minutes);
  if (at == nullptr) return false;
  // An altitude of the usual length goes into the same piece, its commas made points on the way:
  // eight bytes at once from eight bytes up, as two words that overlap where it is shorter than 16.
  const std::string_view altitude = TrimWhiteSpace(rest.substr(longitude->length + 1));
  const std::size_t size = altitude.size();
  if (size >= 8 && size <= kAltitudeRoom) {
    CopyEightCommasToPoints(altitude.data(), at);
    CopyEightCommasToPoints(altitude.data() + size - 8, at + size - 8);
    at += size;
  } else if (size < 8) {
    for (const char byte : altitude) *at++ = byte == ',' ? '.' : byte;
  } else {
    out.append(text, static_cast<std::size_t>(at - text));
    AppendAltitude(out, altitude);
    return true;
  }
  out.append(text, static_cast<std::size_t>(at - text));
  return true;
}

}  // namespace

void AppendConvertedPosition(std::string& out, std::string_view position) {
  constexpr auto npos = std::string_view::npos;
  // Latitude and longitude alone get the altitude zero: the target line keeps its three fields.
  constexpr std::string_view kNoAltitude = "+000000.00";
  const std::string_view input = TrimWhiteSpace(position);
  if (AppendCanonicalPosition(out, input)) return;
  const std::size_t firstComma = input.find(',');
  if (firstComma == npos) {
    AppendConvertedCoordinate(out, {}, kLatitude);
    AppendConvertedCoordinate(out, {}, kLongitude);
    out.append(input);
    return;
  }
  const std::size_t secondComma = input.find(',', firstComma + 1);
  const std::string_view latitude = input.substr(0, firstComma);
  const std::string_view longitude = input.substr(firstComma + 1, secondComma - firstComma - 1);
  AppendConvertedCoordinate(out, TrimWhiteSpace(latitude), kLatitude);
  AppendConvertedCoordinate(out, TrimWhiteSpace(longitude), kLongitude);
  if (secondComma == npos) {
    out.append(kNoAltitude);
  } else {
    AppendAltitude(out, input.substr(secondComma + 1));
  }
}

std::string ConvertPosition(std::string_view position) {
  std::string converted;
  converted.reserve(48 + position.size());
  AppendConvertedPosition(converted, position);
  return converted;
}

}  // namespace tarnwick
