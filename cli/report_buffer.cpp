#include "report_buffer.h"

namespace tarnwick {

std::streamsize ReportBuffer::xsputn(const char_type* text, std::streamsize count) {
  if (!error_) pending_.append(text, static_cast<std::size_t>(count));
  return count;
}

ReportBuffer::int_type ReportBuffer::overflow(int_type character) {
  if (!error_ && !traits_type::eq_int_type(character, traits_type::eof())) {
    pending_.push_back(traits_type::to_char_type(character));
  }
  return traits_type::not_eof(character);
}

int ReportBuffer::sync() {
  if (!error_ && !pending_.empty()) error_ = WriteOut(pending_);
  pending_.clear();
  return error_ ? -1 : 0;
}

}  // namespace tarnwick
