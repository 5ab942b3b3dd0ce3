#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <streambuf>
#include <utility>

namespace tarnwick {

// The source's bytes as the line rules read them: unchanged, or, for a source that begins with a
// UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian), decoded to UTF-8 as it is read,
// the mark dropped. An unpaired surrogate or a final odd byte becomes U+FFFD.
class SourceDecoder {
 public:
  // A null `source` is one that could not be opened: nothing can be read from it.
  explicit SourceDecoder(std::unique_ptr<std::streambuf> source) : source_(std::move(source)) {}

  bool IsOpen() const { return source_ != nullptr; }
  void Close() { source_.reset(); }

  // Up to `capacity` bytes into `into`; 0 only at the end of the source (or when it is closed).
  std::size_t Read(char* into, std::size_t capacity);
  // Back to the first byte of the source; false when it cannot seek.
  bool Rewind();

 private:
  enum class Encoding { Unknown, Bytes, Utf16LittleEndian, Utf16BigEndian };
  static constexpr int kNoUnit = -1;

  void DetectEncoding();
  int ReadUnit();
  char32_t NextCodePoint(bool& atEnd);
  void Encode(char32_t codePoint);

  std::unique_ptr<std::streambuf> source_;
  Encoding encoding_ = Encoding::Unknown;
  int lookahead_ = kNoUnit;  // a UTF-16 unit read ahead that did not complete a pair
  // Decoded bytes not yet handed out: a character may not fit in what the caller asked for.
  std::array<char, 4> pending_{};
  std::size_t pendingFirst_ = 0;
  std::size_t pendingEnd_ = 0;
};

}  // namespace tarnwick
