#include "scanner_model.h"

#include <algorithm>
#include <cstdlib>

#include "code_page_text.h"
#include "white_space.h"

namespace tarnwick::testing {

namespace {

// The whole source decoded at once: UTF-16 after a byte-order mark, unpaired surrogates and a
// final odd byte as U+FFFD; any other source as it is.
std::string Decoded(std::string_view data) {
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

bool StartsAt(std::string_view text, std::size_t at, std::string_view part) {
  return text.substr(at).starts_with(part);
}

// Comments give way to the line ends they hold; a CDATA section to its content, escaped. Left to
// right, neither looked for inside the other, the text they leave not looked at again.
std::string WithoutCommentsAndCdata(std::string_view bytes) {
  constexpr std::string_view kComment = "<!--";
  constexpr std::string_view kCdata = "<![CDATA[";
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    if (StartsAt(bytes, i, kComment)) {
      // The close may not share the opener's dashes.
      const std::size_t close = bytes.find("-->", i + kComment.size());
      const std::size_t end = close == std::string_view::npos ? bytes.size() : close + 3;
      for (; i < end; ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') out += bytes[i];
      }
    } else if (StartsAt(bytes, i, kCdata)) {
      const std::size_t close = bytes.find("]]>", i + kCdata.size());
      const std::size_t end = close == std::string_view::npos ? bytes.size() : close;
      for (i += kCdata.size(); i < end; ++i) {
        if (bytes[i] == '&') {
          out += "&amp;";
        } else if (bytes[i] == '<') {
          out += "&lt;";
        } else if (bytes[i] == '>') {
          out += "&gt;";
        } else {
          out += bytes[i];
        }
      }
      if (close != std::string_view::npos) i = close + 3;
    } else {
      out += bytes[i++];
    }
  }
  return out;
}

// The bytes with their line ends made tokens: LF, CR LF and a lone CR each end a physical line;
// right after a '>' that closes a tag (the last '<' or '>' before it on its physical line is a
// '<') and is followed by '<' over nothing but spaces and tabs, a split ends a line within it.
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
  const bool written = AppendUtf8Twin(twin, piece, rules);
  if (written != IsUtf8(piece)) std::abort();
  return high && written ? twin : piece;
}

bool IsAsciiLetter(char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

bool IsTagStart(std::string_view text, std::size_t at) {
  if (text[at] != '<' || at + 1 >= text.size()) return false;
  const char next = text[at + 1];
  return IsAsciiLetter(next) || next == '/' || next == '?' || next == '!';
}

// The line's last '<' begins a tag that the line does not close.
bool EndsInOpenTag(std::string_view text) {
  const std::size_t last = text.rfind('<');
  return last != std::string_view::npos && IsTagStart(text, last) &&
         text.find('>', last) == std::string_view::npos;
}

// A tag, from its '<' to its '>', spelled the one way: no white space before its close, and a
// waypoint's start tag with nothing but its id, so that every spelling reads alike.
std::string CanonicalTag(std::string_view tag) {
  constexpr std::string_view kWaypoint = "<atcwaypoint";
  const std::size_t w = kWaypoint.size();
  if (tag.starts_with(kWaypoint) && (IsWhiteSpace(tag[w]) || tag[w] == '/' || tag[w] == '>')) {
    const std::size_t close = tag.size() - 1;
    for (std::size_t at = w + 1; at + 1 < close; ++at) {
      if (!IsWhiteSpace(tag[at - 1]) || tag[at] != 'i' || tag[at + 1] != 'd') continue;
      std::size_t k = at + 2;
      while (k < close && IsWhiteSpace(tag[k])) ++k;
      if (k == close || tag[k] != '=') continue;
      ++k;
      while (k < close && IsWhiteSpace(tag[k])) ++k;
      if (k == close || (tag[k] != '"' && tag[k] != '\'')) continue;
      const std::size_t end = tag.find(tag[k], k + 1);
      // An id that does not complete is passed over; a later one may.
      if (end >= close) continue;
      return "<atcwaypoint id=\"" + std::string(tag.substr(k + 1, end - k - 1)) + "\">";
    }
    return "<atcwaypoint>";
  }
  std::string body(tag.substr(0, tag.size() - 1));
  while (IsWhiteSpace(body.back())) body.pop_back();
  if (body.back() == '/') {
    body.pop_back();
    while (IsWhiteSpace(body.back())) body.pop_back();
    body += '/';
  }
  return body + '>';
}

std::string WithCanonicalTags(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (IsTagStart(text, i)) {
      const std::size_t close = text.find('>', i + 1);
      const std::size_t open = text.find('<', i + 1);
      if (close != std::string_view::npos && open > close) {
        out += CanonicalTag(text.substr(i, close + 1 - i));
        i = close + 1;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

// The name of the element whose start tag begins the line, where the line may begin a value
// over lines; nothing otherwise.
std::optional<std::string> ValueStartName(std::string_view text) {
  if (text.size() < 3 || text[0] != '<' || !IsAsciiLetter(text[1])) return std::nullopt;
  std::size_t end = 2;
  while (end < text.size() && !IsWhiteSpace(text[end]) && text[end] != '/' && text[end] != '>' &&
         text[end] != '<') {
    ++end;
  }
  if (end == text.size() || text[end] != '>') return std::nullopt;
  if (text.find('<', 1) != std::string_view::npos) return std::nullopt;
  return std::string(text.substr(1, end - 1));
}

}  // namespace

ScannerModel::ScannerModel(std::string_view source, std::size_t maxLineBytes,
                           const CaseRules& rules)
    : rules_(rules), maxLineBytes_(std::max<std::size_t>(maxLineBytes, 1)) {
  tokens_ = Tokens(WithoutCommentsAndCdata(Decoded(source)));
}

// One read of today's rules, one token at a time.
ScannerModel::Line ScannerModel::ReadPhysical() {
  Line raw;
  if (endOfInput_ || failed_) {
    failed_ = true;
    raw.number = raw.physical = lineNumber_;
    raw.whole = !lastWasFull_;
    raw.atEnd = endOfInput_;
    raw.exhausted = true;
    return raw;
  }
  lineNumber_ = nextLineNumber_;
  std::string line;
  bool zero = false;
  bool full = true;
  for (std::size_t taken = 0; taken < maxLineBytes_;) {
    if (next_ == tokens_.size()) {
      endOfInput_ = true;
      failed_ = taken == 0;
      full = false;
      break;
    }
    const int token = tokens_[next_++];
    if (token == kSplit) {
      full = false;
      break;
    }
    if (token == kLineEnd) {
      ++nextLineNumber_;
      full = false;
      break;
    }
    ++taken;
    zero = zero || token == 0;
    if (!zero) line += static_cast<char>(token);
  }
  raw.text = TrimWhiteSpace(rules_.Lower(TwinOrSelf(line, rules_)));
  raw.number = raw.physical = lineNumber_;
  raw.whole = !full && !lastWasFull_;
  lastWasFull_ = full;
  raw.atEnd = endOfInput_;
  raw.exhausted = endOfInput_ || failed_;
  return raw;
}

ScannerModel::Line ScannerModel::NextPhysical() {
  Line raw;
  if (physicalAhead_.empty()) {
    raw = ReadPhysical();
  } else {
    raw = std::move(physicalAhead_.front());
    physicalAhead_.pop_front();
  }
  if (renumberedLine_ == raw.physical) raw.number = renumberedTo_;
  return raw;
}

// A line whose last tag is still open is joined with the lines up to the '>' that closes it, where
// they all fit one piece; then every tag is spelled the one way.
ScannerModel::Line ScannerModel::ReadTagLine() {
  Line open = NextPhysical();
  if (!open.whole || !EndsInOpenTag(open.text)) {
    open.text = WithCanonicalTags(open.text);
    return open;
  }
  std::vector<Line> after;
  std::size_t length = open.text.size();
  bool join = false;
  std::size_t mark = 0;
  for (;;) {
    after.push_back(NextPhysical());
    const Line& line = after.back();
    if (!line.whole || line.exhausted) break;
    length += 1 + line.text.size();
    if (length > maxLineBytes_) break;
    mark = line.text.find_first_of("<>");
    if (mark != std::string::npos) {
      join = line.text[mark] == '>';
      break;
    }
  }
  if (!join) {
    physicalAhead_.insert(physicalAhead_.begin(), after.begin(), after.end());
    open.text = WithCanonicalTags(open.text);
    return open;
  }
  const Line& last = after.back();
  std::string joined = open.text;
  for (const Line& line : after) joined += ' ' + line.text;
  const std::size_t close = joined.size() - last.text.size() + mark;
  std::size_t next = close + 1;
  while (next < joined.size() && (joined[next] == ' ' || joined[next] == '\t')) ++next;
  Line out{joined, open.number, open.physical, true, last.atEnd, last.exhausted};
  renumberedLine_ = last.physical;
  renumberedTo_ = open.number;
  if (next < joined.size() && joined[next] == '<') {
    out.text = joined.substr(0, close + 1);
    physicalAhead_.push_front(
        {joined.substr(next), open.number, last.physical, true, last.atEnd, last.exhausted});
  } else if (EndsInOpenTag(joined)) {
    // Not split, and open again: it goes on over the lines after, as a line of its own would.
    physicalAhead_.push_front(
        {joined, open.number, last.physical, true, last.atEnd, last.exhausted});
    return ReadTagLine();
  }
  out.text = WithCanonicalTags(out.text);
  return out;
}

ScannerModel::Line ScannerModel::NextTagLine() {
  if (tagLinesAhead_.empty()) return ReadTagLine();
  Line line = std::move(tagLinesAhead_.front());
  tagLinesAhead_.pop_front();
  return line;
}

// A line that begins a value is joined with the lines up to its end tag, where they hold no other
// tag and all fit one piece.
ScannerModel::Line ScannerModel::ReadValueLine() {
  Line start = NextTagLine();
  const std::optional<std::string> name =
      start.whole && start.text != "<atcwaypoint>" ? ValueStartName(start.text) : std::nullopt;
  if (!name) return start;
  const std::string endTag = "</" + *name + ">";
  std::vector<Line> after;
  std::size_t length = start.text.size();
  bool join = false;
  for (;;) {
    after.push_back(NextTagLine());
    const Line& line = after.back();
    if (!line.whole || line.exhausted) break;
    length += line.text.size() + 1;
    if (length > maxLineBytes_) break;
    if (line.text.find(endTag) != std::string::npos) {
      join = true;
      break;
    }
    if (line.text.find('<') != std::string::npos) break;
  }
  if (!join) {
    tagLinesAhead_.insert(tagLinesAhead_.begin(), after.begin(), after.end());
    return start;
  }
  // A space only where text stands on both sides: none right behind the start tag.
  const std::size_t valueStart = name->size() + 2;
  for (const Line& line : after) {
    if (line.text.starts_with(endTag) || start.text.size() == valueStart) {
      start.text += line.text;
    } else if (!line.text.empty()) {
      start.text += ' ' + line.text;
    }
  }
  start.atEnd = after.back().atEnd;
  start.exhausted = after.back().exhausted;
  return start;
}

ModelRead ScannerModel::Read() {
  Line line = ReadValueLine();
  exhausted_ = line.exhausted;
  return {std::move(line.text), line.number, line.atEnd, line.exhausted};
}

}  // namespace tarnwick::testing
