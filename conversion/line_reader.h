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
#include "markup_filter.h"
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

// Reads the source's lines, each lower-cased and trimmed: the physical lines of the file, split
// where a tag that closes is followed by another, and cut into pieces where they run too long.
class LineReader {
 public:
  // A null `source` is a source that could not be opened: every read fails.
  LineReader(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
             ScannerLimits limits = {});

  // Reads the next line (or the next piece of a long one) and normalises it. A source with a
  // UTF-16 byte-order mark is read as UTF-8 (see SourceDecoder), without its comments and with
  // its CDATA sections escaped (see MarkupFilter). LF, CR LF and a lone CR each end a line; so
  // does a '>' that closes a tag when nothing but blanks stand between it and the next '<' (the
  // blanks begin the next line), so that every element has a line of its own. A zero byte ends
  // the line's content; a line that holds UTF-8 is read as its twin in the code page. The line
  // stays valid until the next read. Inline: it runs for every line, and nearly every line takes
  // its short way.
  std::string_view Read() {
    startsPiece_ = endsPiece_;
    endsPiece_ = false;
    if (Exhausted() || !source_.IsOpen()) return FailedRead();
    // Case changes never make or unmake white space, so the trimming may come first.
    line_ = TrimWhiteSpace(TakeLine());
    // A line of ASCII bytes was lowered in the buffer where the code page allows it.
    if (!lineLowered_) NormalizeOwnedLine();
    return line_;
  }

  std::string_view Line() const { return line_; }
  // The number of the physical source line that the last read took its bytes from, from 1.
  std::int64_t LineNumber() const { return lineNumber_; }
  const CaseRules& Rules() const { return rules_; }
  std::size_t MaxLineBytes() const { return maxLineBytes_; }

  // Set by the read that met the end of the data.
  bool AtEndOfSource() const { return end_of_input_; }
  // Nothing more can be read: the end was met or a read or seek failed.
  bool Exhausted() const { return end_of_input_ || failed_; }
  // The last line began where a line begins and ended where one ends: it is no piece of a line
  // longer than a read takes.
  bool Whole() const { return !startsPiece_ && !endsPiece_; }
  // The last line took the short way, which only a line takes that holds no white space before
  // a '>' or a '/' (nor a line end but LF, nor a split).
  bool TookShortWay() const { return shortWay_; }

  // Back to the first line; the end of the source no longer counts as met.
  void Rewind();
  void Close() { source_.Close(); }

 private:
  bool Refill();
  int PeekByte();
  std::string_view TakeLine() {
    lineNumber_ = nextLineNumber_;
    if (next_ == end_) Refill();
    lineLowered_ = false;
    shortWay_ = false;
    // What a read before left to come first is rare, and read the long way.
    if (splitPending_ || pendingBlanks_ > 0) return TakeLongLine();
    // Nearly every line lies whole in the buffer, ends at a LF and holds no byte pair that could
    // end or split it otherwise: found with one search, and not copied.
    if (lineFeedAt_ <= next_) lineFeedAt_ = FindByte(next_, '\n');
    if (next_ < closerLookFrom_ || next_ >= closerLookAt_) closerLookAt_ = FindCloserLook(next_);
    if (lineFeedAt_ == end_ || closerLookAt_ < lineFeedAt_) return TakeMarkedLine();
    const std::size_t lineFeed = lineFeedAt_ - next_;
    // A CR right before LF belongs to the line end.
    const std::size_t length =
        lineFeed > 0 && buffer_[lineFeedAt_ - 1] == '\r' ? lineFeed - 1 : lineFeed;
    if (length >= maxLineBytes_) return TakeLongLine();
    shortWay_ = true;
    return TakeFromBuffer(length, lineFeed + 1 - length);
  }
  // Takes the next `length` bytes of the buffer as the line, and `ending` bytes of line end
  // after them (none where a split ends the line).
  std::string_view TakeFromBuffer(std::size_t length, std::size_t ending) {
    // A zero byte ends the line's content, not the line. Looked for once per stretch of the
    // buffer that has none, not once per line; so are bytes from 80 hex up.
    if (zeroAt_ <= next_) zeroAt_ = FindZero(next_);
    if (highAt_ <= next_) highAt_ = FindHigh(next_);
    std::string_view line(buffer_.data() + next_, std::min(length, zeroAt_ - next_));
    // Where the code page lets bytes change case on their own, the ASCII letters are lowered
    // where they lie; a line with bytes from 80 hex up may be UTF-8.
    lineLowered_ = singleByte_;
    if (singleByte_) LowerBufferUpTo(next_ + line.size());
    if (highAt_ < next_ + line.size()) lineLowered_ = lineLowered_ && TakeDegreeTwin(line);
    next_ += length + ending;
    if (ending > 0) EndPhysicalLine();
    tagOpen_ = false;
    return line;
  }
  // The offset of the first LF or CR from the current line on, or the buffer's end.
  std::size_t FindLineEnd() {
    if (lineFeedAt_ <= next_) lineFeedAt_ = FindByte(next_, '\n');
    if (returnAt_ <= next_) returnAt_ = FindByte(next_, '\r');
    return std::min(lineFeedAt_, returnAt_);
  }
  std::string_view TakeMarkedLine();
  bool TakeDegreeTwin(std::string_view& line);
  static std::size_t FindSplit(std::string_view text, bool tagOpen);
  void EndPhysicalLine() {
    ++nextLineNumber_;
    tagOpen_ = false;
  }
  std::string_view FailedRead();
  void NormalizeOwnedLine();
  std::string_view TakeLongLine();
  void TakePiece();
  void TakePieceUpToBudget();
  bool SplitsAfterTag(std::size_t& taken);
  // Lower-cases the buffer up to `end` where the code page allows it; nearly always done already.
  void LowerBufferUpTo(std::size_t end) {
    if (end > lowered_) LowerMoreOfBuffer(end);
  }
  void LowerMoreOfBuffer(std::size_t end);
  std::size_t FindByte(std::size_t start, char byte) const;
  std::size_t FindZero(std::size_t start) const { return FindByte(start, '\0'); }
  std::size_t FindHigh(std::size_t start) const;
  std::size_t FindCloserLook(std::size_t start);

  MarkupFilter source_;
  const CaseRules& rules_;
  std::size_t maxLineBytes_;
  // Every character is one byte: letters change case byte by byte (in buffer_ itself) and a match
  // may begin at any byte.
  const bool singleByte_;
  // The degree sign's byte B0 is no letter: a line's twin that has it needs no more lowering.
  const bool degreeKeepsCase_;
  std::vector<char> buffer_;
  std::size_t next_ = 0;     // the next unread byte of buffer_
  std::size_t end_ = 0;      // the end of the bytes buffer_ holds
  std::size_t lowered_ = 0;  // buffer_ is lower-cased up to here, where the code page allows it
  // The first zero byte, LF, CR and byte from 80 hex up in buffer_ from the current line on, or
  // end_ where there is none; looked for again when the current line begins at or behind it (0
  // after a refill or a rewind: nothing known yet).
  std::size_t zeroAt_ = 0;
  std::size_t lineFeedAt_ = 0;
  std::size_t returnAt_ = 0;
  std::size_t highAt_ = 0;
  // No byte pair that ends or splits a line otherwise than a LF (CR without LF, '>' before '<'
  // or a blank), nor white space before a '>' or '/', begins from closerLookFrom_ up to
  // closerLookAt_, where the first 16-byte block that may hold one begins. Kept over a rewind that
  // keeps the buffer.
  std::size_t closerLookFrom_ = 0;
  std::size_t closerLookAt_ = 0;
  bool filled_ = false;      // buffer_ was filled since the last rewind
  bool holdsStart_ = false;  // buffer_ holds the source's first bytes
  // The current line: in buffer_ where the whole line lay there, else in owned_.
  std::string_view line_;
  bool lineLowered_ = false;  // line_ lies in buffer_, lowered there
  std::string owned_;
  std::string piece_;  // a line gathered across the buffer's end or cut at the budget
  std::int64_t lineNumber_ = 0;
  std::int64_t nextLineNumber_ = 1;  // of the line the next read starts in
  // The last '<' or '>' of the physical line so far is a '<': a '>' now would close a tag.
  bool tagOpen_ = false;
  // A split came right after a piece that filled its budget: it ends the next line, an empty one.
  bool splitPending_ = false;
  // Blanks already taken from the source, looking for a '<' behind a tag, that begin the next
  // piece. Counted, not kept: at the start of a piece they are trimmed away.
  std::uint64_t pendingBlanks_ = 0;
  bool shortWay_ = false;     // the last line took the short way
  bool startsPiece_ = false;  // the last line is the rest of one that ran past a read's budget
  bool endsPiece_ = false;    // the last line ran up to a read's budget
  bool end_of_input_ = false;
  bool failed_ = false;
};

}  // namespace tarnwick
