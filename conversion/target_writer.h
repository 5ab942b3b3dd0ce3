#pragma once

#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

namespace tarnwick {

// Writes the target plan line by line. Every line ends CR LF whatever the platform, and is
// handed to the target whole and flushed as it ends, so a run that is cut short leaves every
// finished line on disk.
class TargetWriter {
 public:
  explicit TargetWriter(std::streambuf& target) : target_(target) {}

  void WriteText(std::string_view text) { line_.append(text); }
  void WriteNumber(std::int64_t number);
  void EndLine();

  // A write or flush did not reach the target; later writes are not attempted.
  bool Failed() const { return failed_; }

 private:
  std::streambuf& target_;
  std::string line_;  // the current line until it ends
  bool failed_ = false;
};

}  // namespace tarnwick
