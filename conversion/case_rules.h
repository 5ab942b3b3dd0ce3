#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tarnwick {

// Position of the first occurrence of `text` in `line` at or after `start`, byte by byte, or -1
// when there is none or `start` lies beyond the line. Inline: the scanner calls it for every line.
inline std::ptrdiff_t FindBytes(std::string_view line, std::string_view text,
                                std::ptrdiff_t start) {
  if (start < 0) start = 0;
  const auto size = static_cast<std::ptrdiff_t>(line.size());
  const auto length = static_cast<std::ptrdiff_t>(text.size());
  if (start > size) return -1;
  if (length == 0) return start;
  if (length > size - start) return -1;
  // Candidates are found by the first byte; the second rules out nearly all wrong ones before a
  // full comparison (a tag's '<' stands before every other tag of a line too).
  const char* const begin = line.data();
  const char* const last = begin + (size - length);  // the last place a match may begin
  for (const char* at = begin + start; at <= last; ++at) {
    at =
        static_cast<const char*>(std::memchr(at, text[0], static_cast<std::size_t>(last - at + 1)));
    if (at == nullptr) return -1;
    if (length == 1 || (at[1] == text[1] && std::memcmp(at + 2, text.data() + 2,
                                                        static_cast<std::size_t>(length - 2)) == 0))
      return at - begin;
  }
  return -1;
}

// Letter case of the code page that the plan's bytes are read in, and how that code page writes
// a Unicode character. The bytes are never decoded; only the code page's own upper- and
// lower-case partners are swapped.
class CaseRules {
 public:
  virtual ~CaseRules() = default;

  // Case changes keep every character's length, so they work in place.
  virtual void LowerInPlace(std::string& text) const = 0;
  virtual void UpperInPlace(std::string& text) const = 0;

  std::string Lower(std::string_view text) const;
  std::string Upper(std::string_view text) const;

  // Lower-cases the ASCII bytes of a run that may begin and end anywhere in a text, where the
  // code page allows it (every byte changes case on its own); false, with nothing changed,
  // elsewhere. Bytes from 80 hex up are left as they are: they may still be UTF-8.
  virtual bool LowerAsciiInPlace(char* bytes, std::size_t size) const;

  // Position of the first occurrence of `text` in `line` at or after `start`, or -1 when there
  // is none or `start` lies beyond the line. A code page with double-byte characters overrides
  // this so that a match never begins inside one.
  virtual std::ptrdiff_t Find(std::string_view line, std::string_view text,
                              std::ptrdiff_t start) const;

  // Appends the code page's bytes for `character`; false, with nothing appended, when the code
  // page has no such character. This one is Windows-1252's, the rule wherever no system says
  // otherwise.
  virtual bool AppendCharacter(std::string& out, char32_t character) const;

  // The code page's bytes as UTF-8, the text of every message: a byte that stands for no
  // character, or for a control character, becomes "?". This one reads Windows-1252.
  virtual std::string Utf8Text(std::string_view bytes) const;
};

// A single-byte code page given as two 256-entry tables.
class SingleByteCaseRules : public CaseRules {
 public:
  using Table = std::array<unsigned char, 256>;

  SingleByteCaseRules(const Table& lower, const Table& upper);

  void LowerInPlace(std::string& text) const override;
  void UpperInPlace(std::string& text) const override;
  bool LowerAsciiInPlace(char* bytes, std::size_t size) const override;

 private:
  Table lower_;
  Table upper_;
  bool plainAscii_;  // A to Z and a to z are partners, and no other byte below 0x80 changes
};

// Windows-1252, the code page of Western Windows systems and the rule wherever no other applies.
const CaseRules& Windows1252CaseRules();

}  // namespace tarnwick
