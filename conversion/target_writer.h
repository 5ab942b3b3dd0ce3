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

  // One text, or several one after another with a single look for room. Defined here so that a
  // literal's few bytes are copied in place, without a call.
  template <typename... Texts>
  void WriteText(const Texts&... texts) {
    char* at = Room((std::string_view(texts).size() + ...));
    ((at = Append(at, texts)), ...);
    used_ = static_cast<std::size_t>(at - line_.data());
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
  static char* Append(char* at, std::string_view text) {
    std::char_traits<char>::copy(at, text.data(), text.size());
    return at + text.size();
  }

  std::streambuf& target_;
  // The current line until it ends: its first used_ bytes.
  std::string line_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace tarnwick
