// The scanner's line reading, UTF-16 decoding included, against a plain byte-by-byte model of
// the same rules, with piece and buffer sizes from the input's first bytes so that every
// boundary is reached; then the searches, which must end on any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "case_rules.h"
#include "plan_format.h"
#include "source_scanner.h"
#include "white_space.h"

namespace {

using tarnwick::CaseRules;

// Reads lines one byte at a time, exactly as the rules say.
class ModelReader {
 public:
  ModelReader(std::string_view data, std::size_t pieceBytes)
      : data_(data), pieceBytes_(pieceBytes) {}

  std::string Read(const CaseRules& rules) {
    if (endOfInput_ || failed_) {
      failed_ = true;
      return "";
    }
    std::string line;
    bool zero = false;
    for (std::size_t taken = 0; taken < pieceBytes_;) {
      if (next_ == data_.size()) {
        endOfInput_ = true;
        failed_ = taken == 0;
        break;
      }
      const char byte = data_[next_++];
      if (byte == '\n') break;
      if (byte == '\r' && next_ < data_.size() && data_[next_] == '\n') {
        ++next_;
        break;
      }
      ++taken;
      zero = zero || byte == '\0';
      if (!zero) line += byte;
    }
    return std::string(tarnwick::TrimWhiteSpace(rules.Lower(line)));
  }
  bool AtEnd() const { return endOfInput_; }
  bool Exhausted() const { return endOfInput_ || failed_; }

 private:
  std::string_view data_;
  std::size_t pieceBytes_;
  std::size_t next_ = 0;
  bool endOfInput_ = false;
  bool failed_ = false;
};

// The whole source decoded at once, as the model reads it: UTF-16 after a byte-order mark,
// unpaired surrogates and a final odd byte as U+FFFD; any other source as it is.
std::string ModelBytes(std::string_view data) {
  const bool little = data.substr(0, 2) == "\xFF\xFE";
  if (!little && data.substr(0, 2) != "\xFE\xFF") return std::string(data);
  std::vector<long> units;
  for (std::size_t i = 2; i < data.size(); i += 2) {
    if (i + 1 == data.size()) {
      units.push_back(-1);
      break;
    }
    const auto first = static_cast<unsigned char>(data[i]);
    const auto second = static_cast<unsigned char>(data[i + 1]);
    units.push_back(little ? first | second << 8 : first << 8 | second);
  }
  std::u32string codePoints;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const long unit = units[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      codePoints +=
          static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else if (unit < 0 || (unit >= 0xD800 && unit <= 0xDFFF)) {
      codePoints += U'\uFFFD';
    } else {
      codePoints += static_cast<char32_t>(unit);
    }
  }
  std::string bytes;
  for (const char32_t c : codePoints) {
    const auto put = [&](unsigned long bits) { bytes += static_cast<char>(bits); };
    if (c < 0x80) {
      put(c);
    } else if (c < 0x800) {
      put(0xC0 | c >> 6), put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      put(0xE0 | c >> 12), put(0x80 | (c >> 6 & 0x3F)), put(0x80 | (c & 0x3F));
    } else {
      put(0xF0 | c >> 18), put(0x80 | (c >> 12 & 0x3F)), put(0x80 | (c >> 6 & 0x3F)),
          put(0x80 | (c & 0x3F));
    }
  }
  return bytes;
}

tarnwick::SourceScanner ScannerOver(std::string_view data, tarnwick::ScannerLimits limits) {
  return tarnwick::SourceScanner(std::make_unique<std::stringbuf>(std::string(data), std::ios::in),
                                 tarnwick::Windows1252CaseRules(), limits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const tarnwick::ScannerLimits limits{1 + data[0] % 32u, 1 + data[1] % 32u};
  const std::string_view source(reinterpret_cast<const char*>(data) + 2, size - 2);
  const CaseRules& rules = tarnwick::Windows1252CaseRules();

  tarnwick::SourceScanner scanner = ScannerOver(source, limits);
  const std::string decoded = ModelBytes(source);
  ModelReader model(decoded, limits.maxLineBytes);
  while (!model.Exhausted()) {
    const std::string expected = model.Read(rules);
    if (scanner.ReadNormalizedLine() != expected || scanner.AtEndOfSource() != model.AtEnd() ||
        scanner.Exhausted() != model.Exhausted()) {
      std::abort();
    }
  }

  // Every search ends, with or without a scope end, rewound or not.
  scanner.RewindSource();
  scanner.FindElement("<title>", std::nullopt);
  scanner.FindElement("<descr>", tarnwick::DocumentEnd);
  scanner.RewindSource();
  const std::string value = scanner.FindElement("<a", tarnwick::DocumentEnd);
  if (value.size() > limits.maxLineBytes) std::abort();
  scanner.CutLine(static_cast<std::ptrdiff_t>(data[0]) - 128,
                  static_cast<std::ptrdiff_t>(data[1]) - 128);
  return 0;
}
