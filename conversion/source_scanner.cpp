#include "source_scanner.h"

#include <algorithm>
#include <cstring>

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

std::string_view SourceScanner::FailedRead() {
  line_ = {};
  failed_ = true;
  return line_;
}

void SourceScanner::LowerOwnedLine() {
  owned_.assign(line_);
  rules_.LowerInPlace(owned_);
  line_ = owned_;
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
