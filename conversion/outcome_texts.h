#pragma once

#include <string_view>

namespace tarnwick {

// What both programs tell the user about a conversion, word for word.
inline constexpr std::string_view ConvertedText = "Conversion successfully performed -";
inline constexpr std::string_view WrongFormatText = "Wrong format - no FSX Flightplan!";
inline constexpr std::string_view NotConvertedText = "Flightplan could not be converted!";

}  // namespace tarnwick
