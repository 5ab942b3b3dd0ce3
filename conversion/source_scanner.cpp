#include "source_scanner.h"

#include <algorithm>

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

void SourceScanner::TakeLine() {
  lineNumber_ = nextLineNumber_;
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
    const char* stop = start;
    while (stop != limit && *stop != '\n' && *stop != '\r') ++stop;
    const auto run = static_cast<std::size_t>(stop - start);
    line_.append(start, run);
    taken += run;
    next_ += run;
    if (stop == limit) continue;
    const char byte = buffer_[next_++];
    if (byte == '\n') {
      ++nextLineNumber_;
      return;
    }
    // A CR right before LF belongs to the line end; any other CR is content.
    if (PeekByte() == '\n') {
      ++next_;
      ++nextLineNumber_;
      return;
    }
    line_.push_back(byte);
    ++taken;
  }
}

const std::string& SourceScanner::ReadNormalizedLine() {
  line_.clear();
  if (Exhausted() || !source_.IsOpen()) {
    failed_ = true;
    return line_;
  }
  TakeLine();
  // A zero byte ends the line's content, not the line.
  line_.resize(std::min(line_.find('\0'), line_.size()));
  rules_.LowerInPlace(line_);
  const std::string_view trimmed = TrimWhiteSpace(line_);
  line_.erase(static_cast<std::size_t>(trimmed.data() + trimmed.size() - line_.data()));
  line_.erase(0, static_cast<std::size_t>(trimmed.data() - line_.data()));
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
    line_ = line_.substr(static_cast<std::size_t>(first),
                         static_cast<std::size_t>(std::min(count, length - first)));
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
