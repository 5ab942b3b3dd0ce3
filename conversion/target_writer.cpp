#include "target_writer.h"

#include <charconv>

namespace tarnwick {

void TargetWriter::WriteText(std::string_view text) {
  if (failed_) return;
  const auto size = static_cast<std::streamsize>(text.size());
  failed_ = target_.sputn(text.data(), size) != size;
}

void TargetWriter::WriteNumber(std::int64_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  WriteText(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void TargetWriter::EndLine() {
  WriteText("\r\n");
  if (!failed_) failed_ = target_.pubsync() != 0;
}

}  // namespace tarnwick
