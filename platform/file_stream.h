#pragma once

#include <cstdint>
#include <streambuf>
#include <system_error>
#include <vector>

#include "native_file.h"

namespace tarnwick {

// A source file as the scanner reads it: buffered reads, and a seek back to the first byte. A
// read error ends the data and is kept for the caller.
class FileSourceBuffer : public std::streambuf {
 public:
  explicit FileSourceBuffer(NativeFile file);

  const std::error_code& Error() const { return error_; }

 protected:
  int_type underflow() override;
  std::streamsize xsgetn(char_type* into, std::streamsize count) override;
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

 private:
  NativeFile file_;
  std::vector<char> buffer_;
  std::error_code error_;
};

// A target file written as it is handed over: each run of bytes with one call, straight from the
// caller's memory, so every line the writer ends is one write. The first error stops all writing.
class FileTargetBuffer : public std::streambuf {
 public:
  explicit FileTargetBuffer(NativeFile& file) : file_(file) {}

  const std::error_code& Error() const { return error_; }
  // The bytes handed to the file so far.
  std::uint64_t Written() const { return written_; }

 protected:
  std::streamsize xsputn(const char_type* bytes, std::streamsize count) override;
  int_type overflow(int_type byte) override;
  int sync() override;

 private:
  NativeFile& file_;
  std::error_code error_;
  std::uint64_t written_ = 0;
};

}  // namespace tarnwick
