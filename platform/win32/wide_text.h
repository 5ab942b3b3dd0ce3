#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Between the programs' UTF-8 text and the UTF-16 of the Windows API.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace tarnwick
