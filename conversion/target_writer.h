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
  explicit TargetWriter(std::streambuf& target) : target_(target), line_(kFirstRoom, '\0') {}

  // Defined here so that a literal's few bytes are copied in place, without a call.
  void WriteText(std::string_view text) {
    std::char_traits<char>::copy(Room(text.size()), text.data(), text.size());
    used_ += text.size();
  }
  void WriteNumber(std::int64_t number);
  void EndLine();

  // A write or flush did not reach the target; later writes are not attempted.
  bool Failed() const { return failed_; }

 private:
  static constexpr std::size_t kFirstRoom = 256;

  // Where the line goes on, with room for `more` bytes there.
  char* Room(std::size_t more) {
    if (more > line_.size() - used_) Grow(more);
    return line_.data() + used_;
  }
  void Grow(std::size_t more);

  std::streambuf& target_;
  // The current line until it ends: its first used_ bytes.
  std::string line_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace tarnwick
