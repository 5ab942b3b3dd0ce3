// The scanner's line reading, UTF-16 decoding and the UTF-8 twin included, against a plain
// byte-by-byte model of the same rules, with piece and buffer sizes from the input's first bytes so
// that every boundary is reached; then the searches, which must end on any input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "case_rules.h"
#include "code_page_text.h"
#include "plan_format.h"
#include "source_scanner.h"
#include "white_space.h"

namespace {

using tarnwick::CaseRules;

// The decoded bytes with their line ends made tokens: LF, CR LF and a lone CR each end a
// physical line; right after a '>' that closes a tag (the last '<' or '>' before it on its
// physical line is a '<') and is followed by '<' over nothing but spaces and tabs, a split ends
// a line within it.
constexpr int kLineEnd = -1;
constexpr int kSplit = -2;

std::vector<int> Tokens(std::string_view bytes) {
  std::vector<int> tokens;
  bool tagOpen = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char byte = bytes[i];
    if (byte == '\n' || byte == '\r') {
      if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      tokens.push_back(kLineEnd);
      tagOpen = false;
      continue;
    }
    tokens.push_back(static_cast<unsigned char>(byte));
    if (byte == '<') tagOpen = true;
    if (byte != '>') continue;
    std::size_t next = i + 1;
    while (next < bytes.size() && (bytes[next] == ' ' || bytes[next] == '\t')) ++next;
    if (tagOpen && next < bytes.size() && bytes[next] == '<') tokens.push_back(kSplit);
    tagOpen = false;
  }
  return tokens;
}

// Whether `text` is well-formed UTF-8: each character in its shortest form, no surrogate, none
// above U+10FFFF.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    char32_t character = lead;
    char32_t least = 0;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0) {
        length = 2, character = lead & 0x1F, least = 0x80;
      } else if ((lead & 0xF0) == 0xE0) {
        length = 3, character = lead & 0x0F, least = 0x800;
      } else if ((lead & 0xF8) == 0xF0) {
        length = 4, character = lead & 0x07, least = 0x10000;
      } else {
        return false;
      }
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if ((byte & 0xC0) != 0x80) return false;
      character = character << 6 | (byte & 0x3F);
    }
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

// A piece with a byte from 80 hex up that is UTF-8 is read as its twin in the code page; the
// twin's writer must decide alike.
std::string TwinOrSelf(const std::string& piece, const CaseRules& rules) {
  const bool high = std::any_of(piece.begin(), piece.end(),
                                [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
  std::string twin;
  const bool written = tarnwick::AppendUtf8Twin(twin, piece, rules);
  if (written != IsUtf8(piece)) std::abort();
  return high && written ? twin : piece;
}

// Reads lines one token at a time, exactly as the rules say.
class ModelReader {
 public:
  ModelReader(std::string_view data, std::size_t pieceBytes)
      : tokens_(Tokens(data)), pieceBytes_(pieceBytes) {}

  std::string Read(const CaseRules& rules) {
    if (endOfInput_ || failed_) {
      failed_ = true;
      return "";
    }
    lineNumber_ = nextLineNumber_;
    std::string line;
    bool zero = false;
    for (std::size_t taken = 0; taken < pieceBytes_;) {
      if (next_ == tokens_.size()) {
        endOfInput_ = true;
        failed_ = taken == 0;
        break;
      }
      const int token = tokens_[next_++];
      if (token == kSplit) break;
      if (token == kLineEnd) {
        ++nextLineNumber_;
        break;
      }
      ++taken;
      zero = zero || token == 0;
      if (!zero) line += static_cast<char>(token);
    }
    return std::string(tarnwick::TrimWhiteSpace(rules.Lower(TwinOrSelf(line, rules))));
  }
  std::int64_t LineNumber() const { return lineNumber_; }
  bool AtEnd() const { return endOfInput_; }
  bool Exhausted() const { return endOfInput_ || failed_; }

 private:
  std::vector<int> tokens_;
  std::size_t pieceBytes_;
  std::size_t next_ = 0;
  std::int64_t lineNumber_ = 0;
  std::int64_t nextLineNumber_ = 1;
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
  // Pieces and buffers of up to 32 bytes reach every boundary; larger ones let whole lines take
  // the short way.
  const auto bytesFrom = [](std::uint8_t byte) -> std::size_t {
    return byte < 128 ? 1 + byte % 32u : 32u * (byte - 127u);
  };
  const tarnwick::ScannerLimits limits{bytesFrom(data[0]), bytesFrom(data[1])};
  const std::string_view source(reinterpret_cast<const char*>(data) + 2, size - 2);
  const CaseRules& rules = tarnwick::Windows1252CaseRules();

  tarnwick::SourceScanner scanner = ScannerOver(source, limits);
  const std::string decoded = ModelBytes(source);
  ModelReader model(decoded, limits.maxLineBytes);
  while (!model.Exhausted()) {
    const std::string expected = model.Read(rules);
    if (scanner.ReadNormalizedLine() != expected || scanner.AtEndOfSource() != model.AtEnd() ||
        scanner.Exhausted() != model.Exhausted() || scanner.LineNumber() != model.LineNumber()) {
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
