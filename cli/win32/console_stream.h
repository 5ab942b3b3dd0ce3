#pragma once

#include <windows.h>

#include <string_view>
#include <system_error>

#include "report_buffer.h"

namespace tarnwick {

// Standard output or standard error as the user sees it: UTF-8 text written to a console as
// UTF-16, so that every name shows as it is; redirected to a file or a pipe, in the console's
// code page (else the system's), with CR LF line ends.
class ConsoleStream : public ReportBuffer {
 public:
  explicit ConsoleStream(DWORD standardHandle);
  ~ConsoleStream() override { sync(); }
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

 protected:
  std::error_code WriteOut(std::string_view text) override;

 private:
  std::error_code WriteAll(const void* data, std::size_t size);

  HANDLE handle_;
  bool console_;
};

}  // namespace tarnwick
