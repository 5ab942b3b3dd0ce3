// Any text as a position: never a crash, and always the nine pieces of a target position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "position_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string position = tarnwick::ConvertPosition(input);
  const std::size_t firstMinutes = position.find("* ");
  if (firstMinutes == std::string::npos ||
      position.find("', ", firstMinutes) == std::string::npos) {
    std::abort();
  }
  return 0;
}
