#pragma once

#include <string>
#include <string_view>

#include "case_rules.h"

namespace tarnwick {

// Appends one Unicode character as the code page of `rules` writes it: the degree sign always as
// the one byte B0 (the sign the position rules read), the controls U+0080 to U+009F as "?", a
// character the code page has as its own bytes, one it lacks as its base letter (see
// BaseLetters) when the code page has that, and "?" otherwise.
void AppendInCodePage(std::string& out, char32_t character, const CaseRules& rules);

// When `line` is valid UTF-8 (no overlong form, surrogate, truncated sequence, stray
// continuation byte or character above U+10FFFF), appends its twin in the code page of `rules`,
// each character as AppendInCodePage writes it, and returns true; otherwise returns false and
// leaves `out` as it was.
bool AppendUtf8Twin(std::string& out, std::string_view line, const CaseRules& rules);

}  // namespace tarnwick
