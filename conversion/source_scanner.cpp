#include "source_scanner.h"

#include <algorithm>
#include <fstream>
#include <ios>

#include "white_space.h"

namespace tarnwick {

std::unique_ptr<std::streambuf> OpenSource(const std::string& path) {
  auto file = std::make_unique<std::filebuf>();
  if (file->open(path, std::ios::in | std::ios::binary) == nullptr) return nullptr;
  return file;
}

SourceScanner::SourceScanner(std::unique_ptr<std::streambuf> source, const CaseRules& rules)
    : source_(std::move(source)), rules_(rules), failed_(source_ == nullptr) {}

void SourceScanner::TakeLine() {
  using Traits = std::streambuf::traits_type;
  std::size_t taken = 0;
  bool ended_by_zero = false;
  while (taken < MaxLineBytes) {
    const auto byte = source_->sbumpc();
    if (Traits::eq_int_type(byte, Traits::eof())) {
      end_of_input_ = true;
      if (taken == 0) failed_ = true;
      return;
    }
    if (byte == '\n') return;
    if (byte == '\r' && source_->sgetc() == '\n') {
      source_->sbumpc();
      return;
    }
    ++taken;
    ended_by_zero = ended_by_zero || byte == 0;
    if (!ended_by_zero) line_.push_back(Traits::to_char_type(byte));
  }
}

const std::string& SourceScanner::ReadNormalizedLine() {
  line_.clear();
  if (Exhausted() || source_ == nullptr) {
    failed_ = true;
    return line_;
  }
  TakeLine();
  line_ = std::string(TrimWhiteSpace(rules_.Lower(line_)));
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
  if (source_ == nullptr) return;
  end_of_input_ = false;
  failed_ = source_->pubseekpos(0, std::ios::in) == std::streampos(-1);
}

void SourceScanner::ResyncSource() {
  if (source_ == nullptr) return;
  if (source_->pubseekoff(0, std::ios::cur, std::ios::in) == std::streampos(-1)) failed_ = true;
}

}  // namespace tarnwick
