#pragma once

#include <streambuf>
#include <string>

#include "report_buffer.h"

namespace tarnwick {

// Standard output as the command line reports on it on POSIX: written to the descriptor at every
// flush, the first error kept.
class DescriptorBuffer : public ReportBuffer {
 public:
  explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) {}
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

 protected:
  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int_type overflow(int_type character) override;
  int sync() override;

 private:
  int descriptor_;
  std::string pending_;
};

}  // namespace tarnwick
