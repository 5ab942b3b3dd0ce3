#pragma once

#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>

namespace tarnwick {

// Standard output or error as the command line writes its report, written out at every flush.
// The system's first error of a write is kept, so that a report lost to a full disk or a closed
// pipe can end the run as a failure, with the reason; later text is dropped, and the run goes on.
class ReportBuffer : public std::streambuf {
 public:
  const std::error_code& Error() const { return error_; }

 protected:
  // Writes all of `text` out, or gives the system's error.
  virtual std::error_code WriteOut(std::string_view text) = 0;

  std::streamsize xsputn(const char_type* text, std::streamsize count) override;
  int_type overflow(int_type character) override;
  int sync() override;

 private:
  std::string pending_;
  std::error_code error_;
};

}  // namespace tarnwick
