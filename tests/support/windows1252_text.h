#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick::testing {

// The character that a Windows-1252 byte stands for; the five bytes the code page leaves
// undefined stand for the control character of the same number.
char32_t FromWindows1252(unsigned char byte);

// The byte of a character in Windows-1252, or nothing where the code page lacks it.
std::optional<unsigned char> ToWindows1252(char32_t character);

// Text as an FS9 plan should hold it, in Windows-1252: upper-cased (or lower-cased), a character
// the code page lacks written as its base letter or "?". A character that this reading does not
// know how to write fails the calling test, naming it.
enum class LetterCase { Upper, Lower };
std::string Fs9Text(std::u32string_view text, LetterCase letterCase);

}  // namespace tarnwick::testing
