#include "target_writer.h"

#include <charconv>

namespace tarnwick {

void TargetWriter::WriteNumber(std::int64_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  WriteText(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void TargetWriter::EndLine() {
  line_.append("\r\n");
  if (!failed_) {
    const auto size = static_cast<std::streamsize>(line_.size());
    failed_ = target_.sputn(line_.data(), size) != size || target_.pubsync() != 0;
  }
  line_.clear();
}

}  // namespace tarnwick
