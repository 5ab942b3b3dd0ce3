#include "position_conversion.h"

#include <string_view>

#include "number_text.h"
#include "white_space.h"

namespace tarnwick {

namespace {

constexpr char kDegreeSignLastByte = '\xB0';

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

double DecimalMinutes(std::string_view coordinate) {
  const double minutes = ReadWholeNumber(TextBeforeMark(coordinate, '\''));
  const double secondsAsMinutes =
      ReadDecimalNumber(TextBeforeMark(coordinate, '"')) * SecondsFactor;
  return minutes + secondsAsMinutes;
}

// One coordinate as degrees text, "* ", minutes field and "', ".
std::string ConvertCoordinate(std::string_view text) {
  std::string coordinate(text);
  // Only the degree sign's last byte is looked for: its first byte may have been case-mapped.
  const std::size_t sign = coordinate.find(kDegreeSignLastByte);
  if (sign != std::string::npos && sign > 0) {
    coordinate[sign - 1] = '*';
    coordinate[sign] = ' ';
  }
  const std::string_view trimmed = TrimTrailingWhiteSpace(coordinate);
  const std::size_t asterisk = trimmed.find('*');
  const std::string_view degrees =
      asterisk == std::string_view::npos ? std::string_view{} : trimmed.substr(0, asterisk);
  return std::string(degrees) + "* " + FormatMinutesField(DecimalMinutes(trimmed)) + "', ";
}

}  // namespace

std::string ConvertPosition(std::string_view position) {
  constexpr auto npos = std::string_view::npos;
  const std::string_view input = TrimWhiteSpace(position);
  const std::size_t firstComma = input.find(',');
  const std::size_t secondComma = firstComma == npos ? npos : input.find(',', firstComma + 1);
  const std::string_view latitude =
      firstComma == npos ? std::string_view{} : input.substr(0, firstComma);
  const std::string_view longitude =
      secondComma == npos ? std::string_view{}
                          : input.substr(firstComma + 1, secondComma - firstComma - 1);
  const std::string_view altitude = secondComma == npos ? input : input.substr(secondComma + 1);
  return ConvertCoordinate(TrimWhiteSpace(latitude)) +
         ConvertCoordinate(TrimWhiteSpace(longitude)) + std::string(TrimWhiteSpace(altitude));
}

}  // namespace tarnwick
