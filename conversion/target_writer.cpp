#include "target_writer.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tarnwick {

void TargetWriter::WriteNumber(std::int64_t number) {
  constexpr std::size_t kMostBytes = std::numeric_limits<std::int64_t>::digits10 + 2;
  char* const at = Room(kMostBytes);
  used_ += static_cast<std::size_t>(std::to_chars(at, at + kMostBytes, number).ptr - at);
}

void TargetWriter::Grow(std::size_t more) {
  line_.resize(std::max(2 * line_.size(), used_ + more));
}

void TargetWriter::EndLine() {
  WriteText("\r\n");
  if (!failed_) {
    const auto size = static_cast<std::streamsize>(used_);
    failed_ = target_.sputn(line_.data(), size) != size || target_.pubsync() != 0;
  }
  used_ = 0;
}

}  // namespace tarnwick
