#include "descriptor_buffer.h"

#include <unistd.h>

#include <cerrno>

namespace tarnwick {

DescriptorBuffer::~DescriptorBuffer() { sync(); }

std::streamsize DescriptorBuffer::xsputn(const char_type* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return count;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type character) {
  if (!traits_type::eq_int_type(character, traits_type::eof())) {
    pending_.push_back(traits_type::to_char_type(character));
  }
  return traits_type::not_eof(character);
}

// After an error the text is dropped: the run goes on converting, and ends by telling of it.
int DescriptorBuffer::sync() {
  std::size_t done = 0;
  while (!Error() && done < pending_.size()) {
    const ssize_t written = ::write(descriptor_, pending_.data() + done, pending_.size() - done);
    if (written >= 0) {
      done += static_cast<std::size_t>(written);
    } else if (errno != EINTR) {
      Failed({errno, std::generic_category()});
    }
  }
  pending_.clear();
  return Error() ? -1 : 0;
}

}  // namespace tarnwick
