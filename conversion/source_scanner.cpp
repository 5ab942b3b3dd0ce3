#include "source_scanner.h"

#include <algorithm>
#include <cstring>

#include "white_space.h"

namespace tarnwick {

SourceScanner::SourceScanner(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                             ScannerLimits limits)
    : source_(std::move(source)),
      rules_(rules),
      maxLineBytes_(std::max<std::size_t>(limits.maxLineBytes, 1)),
      singleByte_(rules.LowerBytesInPlace(nullptr, 0)),
      buffer_(std::max<std::size_t>(limits.bufferBytes, 1)),
      failed_(!source_.IsOpen()) {}

bool SourceScanner::Refill() {
  next_ = 0;
  // Only the first fill after a rewind holds the source's first bytes.
  holdsStart_ = !filled_;
  filled_ = true;
  lowered_ = 0;
  end_ = source_.Read(buffer_.data(), buffer_.size());
  zeroAt_ = FindZero(0);
  return end_ > 0;
}

int SourceScanner::PeekByte() {
  if (next_ == end_ && !Refill()) return -1;
  return static_cast<unsigned char>(buffer_[next_]);
}

// Defined ahead of its one caller, which it is meant to be part of.
inline std::string_view SourceScanner::TakeLine() {
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

// A line that runs past the buffer or the piece's budget: gathered into piece_.
std::string_view SourceScanner::TakeLongLine() {
  piece_.clear();
  TakePiece();
  const std::size_t zero = piece_.find('\0');
  return std::string_view(piece_).substr(0, zero);
}

void SourceScanner::TakePiece() {
  std::size_t taken = 0;
  while (taken < maxLineBytes_) {
    if (PeekByte() < 0) {
      end_of_input_ = true;
      if (taken == 0) failed_ = true;
      return;
    }
    // Everything up to the next CR or LF, within the buffer and the piece's budget, at once.
    const char* start = buffer_.data() + next_;
    const char* const limit = start + std::min(end_ - next_, maxLineBytes_ - taken);
    const char* stop =
        std::find_if(start, limit, [](char byte) { return byte == '\n' || byte == '\r'; });
    const auto run = static_cast<std::size_t>(stop - start);
    LowerBufferUpTo(next_ + run);
    piece_.append(start, run);
    taken += run;
    next_ += run;
    if (stop == limit) continue;
    const char byte = buffer_[next_++];
    if (byte == '\n') {
      ++nextLineNumber_;
      return;
    }
    if (PeekByte() == '\n') {
      ++next_;
      ++nextLineNumber_;
      return;
    }
    piece_.push_back(byte);
    ++taken;
  }
}

std::string_view SourceScanner::ReadNormalizedLine() {
  if (Exhausted() || !source_.IsOpen()) {
    line_ = {};
    failed_ = true;
    return line_;
  }
  // Case changes never make or unmake white space, so the trimming may come first.
  line_ = TrimWhiteSpace(TakeLine());
  // Where the code page lets bytes change case on their own, they were lowered in the buffer.
  if (!singleByte_) {
    owned_.assign(line_);
    rules_.LowerInPlace(owned_);
    line_ = owned_;
  }
  return line_;
}

// Lower-cases the buffer from where it was left up to `end` (and a little ahead, in longer runs),
// every byte once however often a rewind comes back to it.
void SourceScanner::LowerMoreOfBuffer(std::size_t end) {
  constexpr std::size_t kAhead = 4096;
  const std::size_t upTo = std::min(end_, std::max(end, lowered_ + kAhead));
  rules_.LowerBytesInPlace(buffer_.data() + lowered_, upTo - lowered_);
  lowered_ = upTo;
}

// The offset of the first zero byte in the buffer from `start` on, or the buffer's end.
std::size_t SourceScanner::FindZero(std::size_t start) const {
  const void* zero = std::memchr(buffer_.data() + start, '\0', end_ - start);
  return zero == nullptr
             ? end_
             : static_cast<std::size_t>(static_cast<const char*>(zero) - buffer_.data());
}

std::ptrdiff_t SourceScanner::TagPosition(std::string_view text, std::ptrdiff_t start) const {
  // Where every byte is a character, the plain search is the code page's own: called directly.
  return singleByte_ ? rules_.CaseRules::Find(line_, text, start) : rules_.Find(line_, text, start);
}

std::string SourceScanner::FindElement(std::string_view tag,
                                       std::optional<std::string_view> scopeEnd) {
  for (;;) {
    ReadNormalizedLine();
    if (LineContains(tag)) return std::string(ElementValue(tag));
    if ((scopeEnd && LineIs(*scopeEnd)) || Exhausted()) break;
  }
  line_ = {};
  return {};
}

void SourceScanner::RewindSource() {
  if (!source_.IsOpen()) return;
  end_of_input_ = false;
  lineNumber_ = 0;
  nextLineNumber_ = 1;
  next_ = 0;
  // Header searches mostly stop within the first buffer: it is read again only when it no
  // longer holds the source's first bytes.
  if (holdsStart_) {
    zeroAt_ = FindZero(0);
    failed_ = false;
    return;
  }
  end_ = lowered_ = 0;
  filled_ = false;
  failed_ = !source_.Rewind();
}

}  // namespace tarnwick
