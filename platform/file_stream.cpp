#include "file_stream.h"

#include <algorithm>
#include <utility>

namespace tarnwick {

namespace {

constexpr std::size_t kReadBytes = 65536;

}  // namespace

FileSourceBuffer::FileSourceBuffer(NativeFile file) : file_(std::move(file)), buffer_(kReadBytes) {
  setg(buffer_.data(), buffer_.data(), buffer_.data());
}

FileSourceBuffer::int_type FileSourceBuffer::underflow() {
  if (gptr() == egptr()) {
    if (error_) return traits_type::eof();
    const std::size_t read = file_.Read(buffer_.data(), buffer_.size(), error_);
    setg(buffer_.data(), buffer_.data(), buffer_.data() + read);
    if (read == 0) return traits_type::eof();
  }
  return traits_type::to_int_type(*gptr());
}

// Large reads go straight into the caller's memory once the buffer is used up.
std::streamsize FileSourceBuffer::xsgetn(char_type* into, std::streamsize count) {
  std::streamsize taken = std::min<std::streamsize>(count, egptr() - gptr());
  std::copy_n(gptr(), taken, into);
  gbump(static_cast<int>(taken));
  while (taken < count && !error_) {
    const std::size_t read =
        file_.Read(into + taken, static_cast<std::size_t>(count - taken), error_);
    if (read == 0) break;
    taken += static_cast<std::streamsize>(read);
  }
  return taken;
}

FileSourceBuffer::pos_type FileSourceBuffer::seekpos(pos_type position,
                                                     std::ios_base::openmode which) {
  if (position != pos_type(0) || (which & std::ios_base::in) == 0 || error_) {
    return pos_type(off_type(-1));
  }
  file_.SeekToStart(error_);
  setg(buffer_.data(), buffer_.data(), buffer_.data());
  return error_ ? pos_type(off_type(-1)) : pos_type(0);
}

std::streamsize FileTargetBuffer::xsputn(const char_type* bytes, std::streamsize count) {
  if (error_) return 0;
  file_.Write(bytes, static_cast<std::size_t>(count), error_);
  if (error_) return 0;
  written_ += static_cast<std::uint64_t>(count);
  return count;
}

FileTargetBuffer::int_type FileTargetBuffer::overflow(int_type byte) {
  if (traits_type::eq_int_type(byte, traits_type::eof())) {
    return error_ ? traits_type::eof() : traits_type::not_eof(byte);
  }
  const char_type single = traits_type::to_char_type(byte);
  return xsputn(&single, 1) == 1 ? byte : traits_type::eof();
}

int FileTargetBuffer::sync() { return error_ ? -1 : 0; }

}  // namespace tarnwick
