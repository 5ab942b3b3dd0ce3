#pragma once

#include <windows.h>

#include <string>

#include "report_buffer.h"

namespace tarnwick {

// Standard output or standard error as the user sees it: UTF-8 text written to a console as
// UTF-16, so that every name shows as it is; redirected to a file or a pipe, in the console's
// code page (else the system's), with CR LF line ends. Written out at every flush; after a write
// fails, the text is dropped.
class ConsoleStream : public ReportBuffer {
 public:
  explicit ConsoleStream(DWORD standardHandle);
  ~ConsoleStream() override;
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

 protected:
  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int_type overflow(int_type character) override;
  int sync() override;

 private:
  bool WriteAll(const void* data, std::size_t size);

  HANDLE handle_;
  bool console_;
  std::string pending_;
};

}  // namespace tarnwick
