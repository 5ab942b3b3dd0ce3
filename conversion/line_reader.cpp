#include "line_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "code_page_text.h"

namespace tarnwick {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080;

// The offset of the first byte from 80 hex up in eight bytes whose high bits are `high`.
int FirstHighOffset(std::uint64_t high) {
  // The first byte in memory is the lowest in a little-endian word, the highest otherwise.
  return (std::endian::native == std::endian::little ? std::countr_zero(high)
                                                     : std::countl_zero(high)) /
         8;
}

// The first byte from 80 hex up from `at` on, or `end`; sixteen bytes at a time.
const char* FirstHighByte(const char* at, const char* end) {
  for (std::uint64_t first = 0, second = 0; end - at >= 16; at += 16) {
    std::memcpy(&first, at, 8);
    std::memcpy(&second, at + 8, 8);
    if ((first & kHighBits) != 0) return at + FirstHighOffset(first & kHighBits);
    if ((second & kHighBits) != 0) return at + 8 + FirstHighOffset(second & kHighBits);
  }
  while (at != end && static_cast<unsigned char>(*at) < 0x80) ++at;
  return at;
}

bool HasHighByte(std::string_view text) {
  return FirstHighByte(text.data(), text.data() + text.size()) != text.data() + text.size();
}

constexpr std::size_t kBlock = 16;

// Whether the block of kBlock bytes from `block` on, with the byte after it, holds a CR not
// followed by LF, a '>' followed by '<' or a blank, or white space followed by '>' or '/'. A loop
// of a fixed count over plain bytes, each test a byte mask, which compilers turn into vector
// instructions.
bool MayEndOrSplitALine(const char* block) {
  unsigned char bytes[kBlock];
  unsigned char next[kBlock];
  std::memcpy(bytes, block, kBlock);
  std::memcpy(next, block + 1, kBlock);
  const auto is = [](unsigned char byte, char wanted) -> unsigned char {
    return byte == static_cast<unsigned char>(wanted) ? 0xFF : 0;
  };
  for (std::size_t i = 0; i < kBlock; ++i) {
    const unsigned char split =
        is(bytes[i], '>') & (is(next[i], '<') | is(next[i], ' ') | is(next[i], '\t'));
    const unsigned char loneReturn =
        is(bytes[i], '\r') & static_cast<unsigned char>(~is(next[i], '\n'));
    // White space before a '>' or a '/' (of "/>"): white space is a space or below, and the
    // other control bytes are rare enough to look at too. (Written so that compilers keep the
    // loop in vector instructions.)
    const unsigned char spaceInTag =
        static_cast<unsigned char>(-(bytes[i] < 0x21)) &
        static_cast<unsigned char>(-((next[i] == '>') | (next[i] == '/')));
    bytes[i] = split | loneReturn | spaceInTag;
  }
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  std::memcpy(&first, bytes, 8);
  std::memcpy(&second, bytes + 8, 8);
  return (first | second) != 0;
}

}  // namespace

LineReader::LineReader(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                       ScannerLimits limits)
    : source_(std::move(source)),
      rules_(rules),
      maxLineBytes_(std::max<std::size_t>(limits.maxLineBytes, 1)),
      singleByte_(rules.LowerAsciiInPlace(nullptr, 0)),
      degreeKeepsCase_(rules.Lower("\xB0") == "\xB0"),
      buffer_(std::max<std::size_t>(limits.bufferBytes, 1)),
      failed_(!source_.IsOpen()) {}

bool LineReader::Refill() {
  next_ = 0;
  // Only the first fill after a rewind holds the source's first bytes.
  holdsStart_ = !filled_;
  filled_ = true;
  lowered_ = 0;
  zeroAt_ = lineFeedAt_ = returnAt_ = highAt_ = 0;
  closerLookFrom_ = closerLookAt_ = 0;
  end_ = source_.Read(buffer_.data(), buffer_.size());
  return end_ > 0;
}

int LineReader::PeekByte() {
  if (next_ == end_ && !Refill()) return -1;
  return static_cast<unsigned char>(buffer_[next_]);
}

// A line that may end at a CR or be split, or that runs past the buffer: cut by a closer look.
std::string_view LineReader::TakeMarkedLine() {
  const char* start = buffer_.data() + next_;
  const std::size_t window = std::min(end_ - next_, maxLineBytes_ + 1);
  const std::size_t lineEnd = FindLineEnd() - next_;
  const std::size_t stretch = std::min(lineEnd, window);
  const std::size_t length = FindSplit({start, stretch}, tagOpen_);
  std::size_t ending = 0;  // the bytes of the line end that ends the line, where one does
  if (length == stretch) {
    // No split: the line runs to its end, which must lie in the buffer, and a CR's LF too.
    if (lineEnd >= window || (start[lineEnd] == '\r' && next_ + lineEnd + 1 == end_)) {
      return TakeLongLine();
    }
    ending = start[lineEnd] == '\r' && start[lineEnd + 1] == '\n' ? 2 : 1;
  }
  if (length >= maxLineBytes_) return TakeLongLine();
  return TakeFromBuffer(length, ending);
}

// A line whose only bytes from 80 hex up are UTF-8 degree signs, as every position has, is its
// twin with each sign the one byte B0: made here, without decoding; its ASCII letters were
// lowered already. False, with the line unchanged, for any other line.
bool LineReader::TakeDegreeTwin(std::string_view& line) {
  if (!degreeKeepsCase_) return false;
  const char* const end = line.data() + line.size();
  const char* from = line.data();
  owned_.resize(line.size());
  char* out = owned_.data();
  for (const char* at = FirstHighByte(from, end); at != end; at = FirstHighByte(at + 2, end)) {
    if (at[0] != '\xC2' || at + 1 == end || at[1] != '\xB0') return false;
    out = std::copy(from, at, out);
    from = at + 1;
  }
  out = std::copy(from, end, out);
  owned_.resize(static_cast<std::size_t>(out - owned_.data()));
  line = owned_;
  return true;
}

// The end of the first line in `text`, a stretch of one physical line: the offset right after
// the first '>' that closes a tag (the last '<' or '>' before it is a '<'; `tagOpen` tells what
// came before the stretch) and is followed by '<' with only blanks between; the stretch's size
// where there is none. Found by the '<'s, of which a line of one element has two.
std::size_t LineReader::FindSplit(std::string_view text, bool tagOpen) {
  std::size_t lastOpen = std::string_view::npos;
  for (std::size_t open = text.find('<'); open != std::string_view::npos;
       open = text.find('<', open + 1)) {
    std::size_t before = open;
    while (before > 0 && IsBlank(text[before - 1])) --before;
    if (before > 0 && text[before - 1] == '>') {
      const std::size_t close = before - 1;
      const std::size_t from = lastOpen == std::string_view::npos ? 0 : lastOpen + 1;
      const bool closesTag = text.substr(from, close - from).find('>') == std::string_view::npos &&
                             (lastOpen != std::string_view::npos || tagOpen);
      if (closesTag) return before;
    }
    lastOpen = open;
  }
  return text.size();
}

// A line that runs past the buffer or the piece's budget, or follows one that did: gathered into
// piece_.
std::string_view LineReader::TakeLongLine() {
  piece_.clear();
  TakePiece();
  const std::size_t zero = piece_.find('\0');
  return std::string_view(piece_).substr(0, zero);
}

void LineReader::TakePiece() {
  if (splitPending_) {
    splitPending_ = false;
    return;
  }
  TakePieceUpToBudget();
}

void LineReader::TakePieceUpToBudget() {
  // Blanks that begin the piece are trimmed away, whatever they are: only their number counts.
  std::size_t taken =
      static_cast<std::size_t>(std::min<std::uint64_t>(pendingBlanks_, maxLineBytes_));
  pendingBlanks_ -= taken;
  while (taken < maxLineBytes_) {
    if (PeekByte() < 0) {
      end_of_input_ = true;
      if (taken == 0) failed_ = true;
      return;
    }
    // Everything up to the next line end or bracket, within the buffer and the budget, at once.
    const char* start = buffer_.data() + next_;
    const char* const limit = start + std::min(end_ - next_, maxLineBytes_ - taken);
    const char* stop = std::find_if(start, limit, [](char byte) {
      return byte == '\n' || byte == '\r' || byte == '<' || byte == '>';
    });
    const auto run = static_cast<std::size_t>(stop - start);
    piece_.append(start, run);
    taken += run;
    next_ += run;
    if (stop == limit) continue;
    const char byte = buffer_[next_++];
    if (byte == '\n' || byte == '\r') {
      // CR LF is one line end.
      if (byte == '\r' && PeekByte() == '\n') ++next_;
      EndPhysicalLine();
      return;
    }
    piece_.push_back(byte);
    ++taken;
    const bool closesTag = byte == '>' && tagOpen_;
    tagOpen_ = byte == '<';
    if (closesTag && SplitsAfterTag(taken)) {
      // The blanks behind the split belong to the next line: only a '>' that filled the budget
      // makes this a piece.
      endsPiece_ = splitPending_;
      return;
    }
  }
  endsPiece_ = taken == maxLineBytes_;
}

// After a '>' that closed a tag: reads on over blanks to see whether a '<' follows, which ends
// the line right after the '>'. The blanks that fit the piece are kept in it, as its content
// where no tag follows; the rest are counted for the next piece.
bool LineReader::SplitsAfterTag(std::size_t& taken) {
  const std::size_t tagEnd = piece_.size();
  const bool full = taken == maxLineBytes_;
  std::uint64_t blanks = 0;
  std::uint64_t kept = 0;
  for (int byte = PeekByte(); byte == ' ' || byte == '\t'; byte = PeekByte()) {
    ++next_;
    ++blanks;
    if (taken < maxLineBytes_) {
      piece_.push_back(static_cast<char>(byte));
      ++taken;
      ++kept;
    }
  }
  if (PeekByte() == '<') {
    piece_.resize(tagEnd);
    pendingBlanks_ = blanks;
    // A piece that filled its budget with the '>' leaves the line end itself to the next read.
    splitPending_ = full;
    return true;
  }
  pendingBlanks_ = blanks - kept;
  return false;
}

std::string_view LineReader::FailedRead() {
  line_ = {};
  failed_ = true;
  return line_;
}

// A line of bytes from 80 hex up that are UTF-8 becomes its twin in the code page; then the code
// page lowers it, every character.
void LineReader::NormalizeOwnedLine() {
  owned_.clear();
  if (!HasHighByte(line_) || !AppendUtf8Twin(owned_, line_, rules_)) owned_.assign(line_);
  rules_.LowerInPlace(owned_);
  line_ = owned_;
}

// Lower-cases the buffer's ASCII letters from where it was left up to `end` (and a little ahead,
// in longer runs), every byte once however often a rewind comes back to it.
void LineReader::LowerMoreOfBuffer(std::size_t end) {
  constexpr std::size_t kAhead = 4096;
  const std::size_t upTo = std::min(end_, std::max(end, lowered_ + kAhead));
  rules_.LowerAsciiInPlace(buffer_.data() + lowered_, upTo - lowered_);
  lowered_ = upTo;
}

// The offset of the first `byte` in the buffer from `start` on, or the buffer's end.
std::size_t LineReader::FindByte(std::size_t start, char byte) const {
  const void* found = std::memchr(buffer_.data() + start, byte, end_ - start);
  return found == nullptr
             ? end_
             : static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data());
}

// The offset of the first byte from 80 hex up in the buffer from `start` on, or the buffer's
// end.
std::size_t LineReader::FindHigh(std::size_t start) const {
  const char* const begin = buffer_.data();
  return static_cast<std::size_t>(FirstHighByte(begin + start, begin + end_) - begin);
}

// The start of the first block from `start` on that may hold a byte pair that ends or splits a
// line otherwise than a LF, or the buffer's end. The last bytes, whose next byte is not yet read,
// always may.
std::size_t LineReader::FindCloserLook(std::size_t start) {
  closerLookFrom_ = start;
  std::size_t at = start;
  while (end_ - at > kBlock && !MayEndOrSplitALine(buffer_.data() + at)) at += kBlock;
  return at;
}

void LineReader::Rewind() {
  if (!source_.IsOpen()) return;
  end_of_input_ = false;
  lineNumber_ = 0;
  nextLineNumber_ = 1;
  next_ = 0;
  tagOpen_ = splitPending_ = false;
  startsPiece_ = endsPiece_ = false;
  pendingBlanks_ = 0;
  // Looked for again from the start; where lines need a closer look stays known while the
  // buffer holds the same bytes.
  zeroAt_ = lineFeedAt_ = returnAt_ = highAt_ = 0;
  // Header searches mostly stop within the first buffer: it is read again only when it no
  // longer holds the source's first bytes.
  if (holdsStart_) {
    failed_ = false;
    return;
  }
  end_ = lowered_ = 0;
  filled_ = false;
  failed_ = !source_.Rewind();
}

}  // namespace tarnwick
