#pragma once

#include <cstddef>
#include <memory>
#include <streambuf>
#include <string>

#include "source_decoder.h"

namespace tarnwick {

// The decoded source as the line rules read it: a comment (`<!--` up to the next `-->`, or to
// the end) is left out but for its line ends, so that line numbers stay those of the file, and a
// CDATA section (`<![CDATA[` up to `]]>`, or to the end) becomes its content with `&`, `<` and
// `>` written as references, which the decoding of text values gives back as written. Neither is
// looked for inside the other.
class MarkupFilter {
 public:
  // A null `source` is one that could not be opened: nothing can be read from it.
  explicit MarkupFilter(std::unique_ptr<std::streambuf> source) : source_(std::move(source)) {}

  bool IsOpen() const { return source_.IsOpen(); }
  void Close() { source_.Close(); }

  // Up to `capacity` bytes into `into`; 0 only at the end of the source (or when it is closed).
  std::size_t Read(char* into, std::size_t capacity);
  // Back to the first byte of the source; false when it cannot seek.
  bool Rewind();

 private:
  enum class Section { Text, Comment, Cdata };

  std::size_t HandOut(char* into, std::size_t capacity);
  void Filter(std::string_view bytes, bool atEnd);
  std::size_t FilterText(std::string_view bytes, std::size_t from, bool atEnd);
  std::size_t FilterSection(std::string_view bytes, std::size_t from, bool atEnd);

  SourceDecoder source_;
  Section section_ = Section::Text;
  // Read but not yet filtered: the start of an opener or a closer that the read cut off.
  std::string held_;
  std::string out_;  // filtered, not yet handed out
  std::size_t outFirst_ = 0;
};

}  // namespace tarnwick
