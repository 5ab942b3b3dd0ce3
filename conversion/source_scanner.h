#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "case_rules.h"
#include "source_decoder.h"
#include "white_space.h"

namespace tarnwick {

// Longest piece of a physical line that one read takes; a longer line arrives in pieces, which
// keeps memory bounded whatever the file holds.
inline constexpr std::size_t MaxLineBytes = 65536;

// How much one read takes at most, and how much the scanner buffers from its source at a time.
struct ScannerLimits {
  std::size_t maxLineBytes = MaxLineBytes;
  std::size_t bufferBytes = 65536;
};

// Reads the source plan line by line, each line lower-cased and trimmed, and finds elements by
// their start tag. The source is never parsed as XML: values are cut out of lines by position.
class SourceScanner {
 public:
  // A null `source` is a source that could not be opened: every read fails.
  SourceScanner(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                ScannerLimits limits = {});

  // Reads the next line (or the next piece of a long one) and normalises it. A source with a
  // UTF-16 byte-order mark is read as UTF-8 (see SourceDecoder). A CR right before the LF is
  // dropped, and a zero byte ends the line's content. The line stays valid until the next read.
  // Inline: it runs for every line, and nearly every line takes its short way.
  std::string_view ReadNormalizedLine() {
    if (Exhausted() || !source_.IsOpen()) return FailedRead();
    // Case changes never make or unmake white space, so the trimming may come first.
    line_ = TrimWhiteSpace(TakeLine());
    // Where the code page lets bytes change case on their own, they were lowered in the buffer.
    if (!singleByte_) LowerOwnedLine();
    return line_;
  }

  std::string_view Line() const { return line_; }
  // The number of the physical source line that the last read took its bytes from, from 1.
  std::int64_t LineNumber() const { return lineNumber_; }
  const CaseRules& Rules() const { return rules_; }

  // Set by the read that met the end of the data.
  bool AtEndOfSource() const { return end_of_input_; }
  // Nothing more can be read: the end was met or a read or seek failed.
  bool Exhausted() const { return end_of_input_ || failed_; }

  // Where every byte is a character, a plain search of the line; an element's line mostly
  // begins with the tag.
  bool LineContains(std::string_view text) const {
    if (!singleByte_) return TagPosition(text, 0) >= 0;
    return line_.starts_with(text) || TagPosition(text, 1) >= 0;
  }
  std::ptrdiff_t TagPosition(std::string_view text, std::ptrdiff_t start) const {
    // Where every byte is a character, the code page's own search is the plain one, inline.
    return singleByte_ ? FindBytes(line_, text, start) : rules_.Find(line_, text, start);
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
  void RewindSource();
  // Reading goes on with the line after the last one read. The scanner's reader keeps its own
  // place, so unlike a text stream it needs no seek (which would cost a system call per search).
  void ResyncSource() {}
  void Close() { source_.Close(); }

 private:
  bool Refill();
  int PeekByte();
  std::string_view TakeLine() {
    lineNumber_ = nextLineNumber_;
    if (next_ == end_) Refill();
    // Nearly every line lies whole in the buffer: found with one search, and not copied.
    const char* start = buffer_.data() + next_;
    const std::size_t window = std::min(end_ - next_, maxLineBytes_ + 1);
    if (const void* found = std::memchr(start, '\n', window); found != nullptr) {
      const auto lineFeed = static_cast<std::size_t>(static_cast<const char*>(found) - start);
      // A CR right before LF belongs to the line end; any other CR is content.
      const std::size_t length =
          lineFeed > 0 && start[lineFeed - 1] == '\r' ? lineFeed - 1 : lineFeed;
      if (length < maxLineBytes_) {
        LowerBufferUpTo(next_ + length);
        // A zero byte ends the line's content, not the line. Looked for once per stretch of the
        // buffer that has none, not once per line.
        if (zeroAt_ < next_) zeroAt_ = FindZero(next_);
        const std::size_t content = std::min(length, zeroAt_ - next_);
        next_ += lineFeed + 1;
        ++nextLineNumber_;
        return {start, content};
      }
    }
    return TakeLongLine();
  }
  std::string_view FailedRead();
  void LowerOwnedLine();
  std::string_view TakeLongLine();
  void TakePiece();
  // Lower-cases the buffer up to `end` where the code page allows it; nearly always done already.
  void LowerBufferUpTo(std::size_t end) {
    if (singleByte_ && end > lowered_) LowerMoreOfBuffer(end);
  }
  void LowerMoreOfBuffer(std::size_t end);
  std::size_t FindZero(std::size_t start) const;

  SourceDecoder source_;
  const CaseRules& rules_;
  std::size_t maxLineBytes_;
  // Every character is one byte: letters change case byte by byte (in buffer_ itself) and a match
  // may begin at any byte.
  const bool singleByte_;
  std::vector<char> buffer_;
  std::size_t next_ = 0;     // the next unread byte of buffer_
  std::size_t end_ = 0;      // the end of the bytes buffer_ holds
  std::size_t lowered_ = 0;  // buffer_ is lower-cased up to here, where the code page allows it
  std::size_t zeroAt_ = 0;   // the first zero byte in buffer_ from the current line on
  bool filled_ = false;      // buffer_ was filled since the last rewind
  bool holdsStart_ = false;  // buffer_ holds the source's first bytes
  // The current line: in buffer_ where the whole line lay there, else in owned_.
  std::string_view line_;
  std::string owned_;
  std::string piece_;  // a line gathered across the buffer's end or cut at the budget
  std::int64_t lineNumber_ = 0;
  std::int64_t nextLineNumber_ = 1;  // of the line the next read starts in
  bool end_of_input_ = false;
  bool failed_ = false;
};

}  // namespace tarnwick
