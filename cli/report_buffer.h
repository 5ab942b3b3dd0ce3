#pragma once

#include <streambuf>
#include <system_error>

namespace tarnwick {

// Standard output or error as the command line writes its report: the system's first error of a
// write is kept, so that a report lost to a full disk or a closed pipe can end the run as a
// failure, with the reason. Writing goes on accepting text after an error and drops it.
class ReportBuffer : public std::streambuf {
 public:
  const std::error_code& Error() const { return error_; }

 protected:
  void Failed(const std::error_code& error) {
    if (!error_) error_ = error;
  }

 private:
  std::error_code error_;
};

}  // namespace tarnwick
