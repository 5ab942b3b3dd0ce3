#include "source_decoder.h"

#include <algorithm>
#include <ios>

namespace tarnwick {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr int kOddByte = -2;  // the source ended in the middle of a unit

constexpr bool IsHighSurrogate(int unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(int unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

void SourceDecoder::DetectEncoding() {
  using Traits = std::streambuf::traits_type;
  encoding_ = Encoding::Bytes;
  const int first = source_->sgetc();
  if (first != 0xFF && first != 0xFE) return;
  source_->sbumpc();
  const int second = source_->sgetc();
  if (first == 0xFF && second == 0xFE) {
    encoding_ = Encoding::Utf16LittleEndian;
  } else if (first == 0xFE && second == 0xFF) {
    encoding_ = Encoding::Utf16BigEndian;
  } else {
    // No mark after all: the byte already taken is the source's first.
    pending_[0] = Traits::to_char_type(first);
    pendingEnd_ = 1;
    return;
  }
  source_->sbumpc();
}

// The next 16-bit unit, Traits::eof() at the end, or kOddByte for a lone last byte.
int SourceDecoder::ReadUnit() {
  using Traits = std::streambuf::traits_type;
  const int first = source_->sbumpc();
  if (first == Traits::eof()) return Traits::eof();
  const int second = source_->sbumpc();
  if (second == Traits::eof()) return kOddByte;
  return encoding_ == Encoding::Utf16LittleEndian ? first | second << 8 : first << 8 | second;
}

char32_t SourceDecoder::NextCodePoint(bool& atEnd) {
  int unit = lookahead_ != kNoUnit ? lookahead_ : ReadUnit();
  lookahead_ = kNoUnit;
  atEnd = unit == std::streambuf::traits_type::eof();
  if (atEnd) return 0;
  if (unit == kOddByte || IsLowSurrogate(unit)) return kReplacementCharacter;
  if (!IsHighSurrogate(unit)) return static_cast<char32_t>(unit);
  const int next = ReadUnit();
  if (!IsLowSurrogate(next)) {
    // Decoded on its own next time, whatever it is.
    lookahead_ = next;
    return kReplacementCharacter;
  }
  return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
         (static_cast<char32_t>(next) - 0xDC00);
}

void SourceDecoder::Encode(char32_t codePoint) {
  const auto byte = [](char32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
  };
  pendingFirst_ = 0;
  if (codePoint < 0x80) {
    pending_ = {byte(codePoint)};
    pendingEnd_ = 1;
  } else if (codePoint < 0x800) {
    pending_ = {byte(0xC0 | codePoint >> 6), byte(0x80 | (codePoint & 0x3F))};
    pendingEnd_ = 2;
  } else if (codePoint < 0x10000) {
    pending_ = {byte(0xE0 | codePoint >> 12), byte(0x80 | (codePoint >> 6 & 0x3F)),
                byte(0x80 | (codePoint & 0x3F))};
    pendingEnd_ = 3;
  } else {
    pending_ = {byte(0xF0 | codePoint >> 18), byte(0x80 | (codePoint >> 12 & 0x3F)),
                byte(0x80 | (codePoint >> 6 & 0x3F)), byte(0x80 | (codePoint & 0x3F))};
    pendingEnd_ = 4;
  }
}

std::size_t SourceDecoder::Read(char* into, std::size_t capacity) {
  if (source_ == nullptr) return 0;
  if (encoding_ == Encoding::Unknown) DetectEncoding();
  std::size_t taken = 0;
  for (;;) {
    const std::size_t count = std::min(pendingEnd_ - pendingFirst_, capacity - taken);
    std::copy_n(pending_.data() + pendingFirst_, count, into + taken);
    pendingFirst_ += count;
    taken += count;
    if (taken == capacity || encoding_ == Encoding::Bytes) break;
    bool atEnd = false;
    const char32_t codePoint = NextCodePoint(atEnd);
    if (atEnd) return taken;
    Encode(codePoint);
  }
  if (encoding_ == Encoding::Bytes && taken < capacity) {
    const std::streamsize read =
        source_->sgetn(into + taken, static_cast<std::streamsize>(capacity - taken));
    taken += static_cast<std::size_t>(std::max<std::streamsize>(read, 0));
  }
  return taken;
}

bool SourceDecoder::Rewind() {
  encoding_ = Encoding::Unknown;
  lookahead_ = kNoUnit;
  pendingFirst_ = pendingEnd_ = 0;
  return source_ != nullptr && source_->pubseekpos(0, std::ios::in) != std::streampos(-1);
}

}  // namespace tarnwick
