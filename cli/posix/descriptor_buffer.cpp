#include "descriptor_buffer.h"

#include <unistd.h>

#include <cerrno>

namespace tarnwick {

std::error_code DescriptorBuffer::WriteOut(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor_, text.data(), text.size());
    if (written > 0) {
      text.remove_prefix(static_cast<std::size_t>(written));
    } else if (written == 0) {
      return std::make_error_code(std::errc::io_error);
    } else if (errno != EINTR) {
      return {errno, std::generic_category()};
    }
  }
  return {};
}

}  // namespace tarnwick
