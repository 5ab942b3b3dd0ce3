// Any text as a position: never a crash, always the nine pieces of a target position, and the
// one-pass reading of the common shape agreeing with the general reading: any coordinate that
// ends with its closing quote converts the same with a byte after the quote, which only the
// general reading accepts. And digits with points, whatever their form, convert with a sign (or
// none) as with the hemisphere letter that their field and sign give.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "position_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string position = tarnwick::ConvertPosition(input);
  const std::size_t firstMinutes = position.find("* ");
  if (firstMinutes == std::string::npos ||
      position.find("', ", firstMinutes) == std::string::npos) {
    std::abort();
  }
  std::string coordinate = input;
  coordinate.erase(std::remove(coordinate.begin(), coordinate.end(), ','), coordinate.end());
  coordinate += '"';
  if (tarnwick::ConvertPosition(coordinate + "," + coordinate + ",+0") !=
      tarnwick::ConvertPosition(coordinate + "x," + coordinate + "x,+0")) {
    std::abort();
  }
  std::string digits;
  for (const char byte : input) digits += "0123456789."[static_cast<unsigned char>(byte) % 11];
  const auto both = [&](std::string_view latitude, std::string_view longitude) {
    return tarnwick::ConvertPosition(std::string(latitude) + digits + "," + std::string(longitude) +
                                     digits + ",+0");
  };
  if (both("", "") != both("n", "e") || both("+", "+") != both("n", "e") ||
      both("-", "-") != both("s", "w")) {
    std::abort();
  }
  return 0;
}
