#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

#include "canonical_lines.h"
#include "case_rules.h"

namespace tarnwick {

// Reads the source plan line by line, each line lower-cased and trimmed and in one spelling
// whatever the plan's layout (see CanonicalLines), and finds elements by their start tag. The
// source is never parsed as XML: values are cut out of lines by position.
class SourceScanner {
 public:
  // A null `source` is a source that could not be opened: every read fails.
  SourceScanner(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                ScannerLimits limits = {})
      : lines_(std::move(source), rules, limits),
        singleByte_(rules.LowerAsciiInPlace(nullptr, 0)) {}

  // Reads the next line (or the next piece of a long one); it stays valid until the next read.
  std::string_view ReadNormalizedLine() {
    line_ = lines_.Read();
    return line_;
  }

  std::string_view Line() const { return line_; }
  // The number of the physical source line that the last line began in, from 1.
  std::int64_t LineNumber() const { return lines_.LineNumber(); }
  const CaseRules& Rules() const { return lines_.Rules(); }

  // Set by the read that met the end of the data.
  bool AtEndOfSource() const { return lines_.AtEndOfSource(); }
  // Nothing more can be read: the end was met or a read or seek failed.
  bool Exhausted() const { return lines_.Exhausted(); }
  // The line read last holds `<atcwaypoint` followed by white space, '/' or '>': no other line
  // may start a waypoint element.
  bool MayStartWaypoint() const { return lines_.MayStartWaypoint(); }

  // Where every byte is a character, a plain search of the line; an element's line mostly
  // begins with the tag.
  bool LineContains(std::string_view text) const {
    if (!singleByte_) return TagPosition(text, 0) >= 0;
    return line_.starts_with(text) || TagPosition(text, 1) >= 0;
  }
  std::ptrdiff_t TagPosition(std::string_view text, std::ptrdiff_t start) const {
    // Where every byte is a character, the code page's own search is the plain one, inline.
    return singleByte_ ? FindBytes(line_, text, start) : Rules().Find(line_, text, start);
  }
  bool LineIs(std::string_view text) const { return line_ == text; }

  // Replaces the line by the run of `count` bytes from `first`, clamped to the line.
  std::string_view CutLine(std::ptrdiff_t first, std::ptrdiff_t count) {
    const auto length = static_cast<std::ptrdiff_t>(line_.size());
    first = std::max<std::ptrdiff_t>(first, 0);
    if (count < 0 || first >= length) {
      line_ = {};
    } else {
      line_ = line_.substr(static_cast<std::size_t>(first),
                           static_cast<std::size_t>(std::min(count, length - first)));
    }
    return line_;
  }
  // The text between start and end tag of a line that holds just the element, cut by position.
  std::string_view ElementValue(std::string_view tag) {
    const auto tagLength = static_cast<std::ptrdiff_t>(tag.size());
    return CutLine(tagLength, static_cast<std::ptrdiff_t>(line_.size()) - 2 * tagLength - 1);
  }

  // Reads on until a line holds `tag` (its value) or equals `scopeEnd` (empty value); a search
  // that meets the end of the source yields the empty value too.
  std::string FindElement(std::string_view tag, std::optional<std::string_view> scopeEnd);

  // Back to the first line; the end of the source no longer counts as met.
  void RewindSource() {
    lines_.Rewind();
    line_ = {};
  }
  // Reading goes on with the line after the last one read. The scanner's reader keeps its own
  // place, so unlike a text stream it needs no seek (which would cost a system call per search).
  void ResyncSource() {}
  void Close() { lines_.Close(); }

 private:
  CanonicalLines lines_;
  // Every character is one byte: a match may begin at any byte.
  const bool singleByte_;
  std::string_view line_;
};

}  // namespace tarnwick
