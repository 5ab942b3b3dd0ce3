#pragma once

#include <string>

#include "case_rules.h"

namespace tarnwick {

// Replaces, in one pass, each reference of a text value (&amp; &lt; &gt; &quot; &apos;, &#N; and
// &#xH; in any letter case) by its character as the code page of `rules` writes it (see
// AppendInCodePage), so that "&amp;lt;" gives "&lt;". An ill-formed reference, or one to a
// control character (below U+0020, U+007F to U+009F: no line end may enter a target line) or to
// a character XML does not allow (a surrogate, U+FFFE, U+FFFF, above U+10FFFF) is kept as written.
// The text never grows, and one without '&' is not touched.
void DecodeCharacterReferences(std::string& text, const CaseRules& rules);

}  // namespace tarnwick
