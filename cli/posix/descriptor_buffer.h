#pragma once

#include <string_view>
#include <system_error>

#include "report_buffer.h"

namespace tarnwick {

// Standard output as the command line reports on it on POSIX: the bytes as they are.
class DescriptorBuffer : public ReportBuffer {
 public:
  explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) {}
  ~DescriptorBuffer() override { sync(); }
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

 protected:
  std::error_code WriteOut(std::string_view text) override;

 private:
  int descriptor_;
};

}  // namespace tarnwick
