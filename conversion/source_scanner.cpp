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
      buffer_(std::max<std::size_t>(limits.bufferBytes, 1)),
      failed_(!source_.IsOpen()) {}

bool SourceScanner::Refill() {
  next_ = 0;
  end_ = source_.Read(buffer_.data(), buffer_.size());
  return end_ > 0;
}

int SourceScanner::PeekByte() {
  if (next_ == end_ && !Refill()) return -1;
  return static_cast<unsigned char>(buffer_[next_]);
}

std::string_view SourceScanner::TakeLine() {
  lineNumber_ = nextLineNumber_;
  // Nearly every line lies whole in the buffer: found with one search, and not copied.
  if (next_ == end_) Refill();
  const char* start = buffer_.data() + next_;
  const std::size_t window = std::min(end_ - next_, maxLineBytes_ + 1);
  if (const void* found = std::memchr(start, '\n', window); found != nullptr) {
    const auto lineFeed = static_cast<std::size_t>(static_cast<const char*>(found) - start);
    // A CR right before LF belongs to the line end; any other CR is content.
    const std::size_t length =
        lineFeed > 0 && start[lineFeed - 1] == '\r' ? lineFeed - 1 : lineFeed;
    if (length < maxLineBytes_) {
      next_ += lineFeed + 1;
      ++nextLineNumber_;
      return {start, length};
    }
  }
  piece_.clear();
  TakePiece();
  return piece_;
}

// A line that runs past the buffer or the piece's budget, gathered into piece_.
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

const std::string& SourceScanner::ReadNormalizedLine() {
  if (Exhausted() || !source_.IsOpen()) {
    line_.clear();
    failed_ = true;
    return line_;
  }
  std::string_view raw = TakeLine();
  // A zero byte ends the line's content, not the line.
  if (const void* zero = std::memchr(raw.data(), '\0', raw.size()); zero != nullptr) {
    raw = raw.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - raw.data()));
  }
  // Case changes never make or unmake white space, so the trimming may come first.
  line_.clear();
  line_.append(TrimWhiteSpace(raw));
  rules_.LowerInPlace(line_);
  return line_;
}

bool SourceScanner::LineContains(std::string_view text) const { return TagPosition(text, 0) >= 0; }

std::ptrdiff_t SourceScanner::TagPosition(std::string_view text, std::ptrdiff_t start) const {
  return rules_.Find(line_, text, start);
}

const std::string& SourceScanner::CutLine(std::ptrdiff_t first, std::ptrdiff_t count) {
  const auto length = static_cast<std::ptrdiff_t>(line_.size());
  first = std::max<std::ptrdiff_t>(first, 0);
  if (count < 0 || first >= length) {
    line_.clear();
  } else {
    line_.resize(static_cast<std::size_t>(first + std::min(count, length - first)));
    line_.erase(0, static_cast<std::size_t>(first));
  }
  return line_;
}

const std::string& SourceScanner::ElementValue(std::string_view tag) {
  const auto tagLength = static_cast<std::ptrdiff_t>(tag.size());
  return CutLine(tagLength, static_cast<std::ptrdiff_t>(line_.size()) - 2 * tagLength - 1);
}

std::string SourceScanner::FindElement(std::string_view tag,
                                       std::optional<std::string_view> scopeEnd) {
  for (;;) {
    ReadNormalizedLine();
    if (LineContains(tag)) return ElementValue(tag);
    if ((scopeEnd && LineIs(*scopeEnd)) || Exhausted()) break;
  }
  line_.clear();
  return line_;
}

void SourceScanner::RewindSource() {
  if (!source_.IsOpen()) return;
  end_of_input_ = false;
  next_ = end_ = 0;
  lineNumber_ = 0;
  nextLineNumber_ = 1;
  failed_ = !source_.Rewind();
}

}  // namespace tarnwick
