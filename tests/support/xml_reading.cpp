#include "xml_reading.h"

#include <stdexcept>

#include "windows1252_text.h"

namespace tarnwick::testing {

namespace {

std::u32string FromUtf16(std::string_view bytes, bool bigEndian) {
  std::u32string text;
  const auto unit = [&](std::size_t at) -> char32_t {
    const auto first = char32_t{static_cast<unsigned char>(bytes[at])};
    const auto second = char32_t{static_cast<unsigned char>(bytes[at + 1])};
    return bigEndian ? first << 8 | second : second << 8 | first;
  };
  for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
    const char32_t value = unit(at);
    if (value >= 0xD800 && value < 0xDC00 && at + 3 < bytes.size()) {
      const char32_t low = unit(at + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        text += 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
        at += 2;
        continue;
      }
    }
    text += value;
  }
  return text;
}

// Nothing where a byte is not part of a well-formed UTF-8 sequence.
std::optional<std::u32string> FromUtf8(std::string_view bytes) {
  std::u32string text;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || at + length > bytes.size()) return std::nullopt;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[at + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past the last plane are not UTF-8.
    const char32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
    if (value < least || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF) {
      return std::nullopt;
    }
    text += value;
    at += length;
  }
  return text;
}

std::u32string NormalizedLineEnds(const std::u32string& text) {
  std::u32string lines;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != U'\r') {
      lines += text[at];
    } else if (at + 1 == text.size() || text[at + 1] != U'\n') {
      lines += U'\n';
    }
  }
  return lines;
}

bool IsXmlSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n'; }

bool IsNameCharacter(char32_t c) {
  return !IsXmlSpace(c) && c != U'<' && c != U'>' && c != U'/' && c != U'=' && c != U'?' &&
         c != U'!' && c != U'"' && c != U'\'' && c != U'&';
}

// A reader over the whole text: every method reads on from `at_` and throws where the text
// breaks the grammar.
class XmlParser {
 public:
  explicit XmlParser(std::u32string text) : text_(std::move(text)) {}

  XmlElement Document() {
    if (LooksAt(U"\uFEFF")) ++at_;
    SkipMisc();
    XmlElement root = Element();
    SkipMisc();
    if (at_ != text_.size()) Fail("content after the root element");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("XML: " + what + " at character " + std::to_string(at_));
  }

  bool LooksAt(std::u32string_view what) const {
    return std::u32string_view(text_).substr(at_).starts_with(what);
  }
  bool Skip(std::u32string_view what) {
    if (!LooksAt(what)) return false;
    at_ += what.size();
    return true;
  }
  void Expect(std::u32string_view what) {
    if (!Skip(what)) Fail("expected markup missing");
  }
  // Everything up to `end`, which is skipped too.
  std::u32string_view Until(std::u32string_view end) {
    const std::size_t found = text_.find(end, at_);
    if (found == std::u32string::npos) Fail("unterminated markup");
    const std::u32string_view run = std::u32string_view(text_).substr(at_, found - at_);
    at_ = found + end.size();
    return run;
  }
  void SkipSpace() {
    while (at_ < text_.size() && IsXmlSpace(text_[at_])) ++at_;
  }
  // White space, comments, processing instructions (the declaration among them), a doctype.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (Skip(U"<!--")) {
        Until(U"-->");
      } else if (Skip(U"<?")) {
        Until(U"?>");
      } else if (Skip(U"<!DOCTYPE")) {
        Until(U">");
      } else {
        return;
      }
    }
  }

  std::u32string Name() {
    const std::size_t start = at_;
    while (at_ < text_.size() && IsNameCharacter(text_[at_])) ++at_;
    if (at_ == start) Fail("name expected");
    return text_.substr(start, at_ - start);
  }

  // "&amp;", "&#243;", "&#xF3;": the character, `at_` after the semicolon.
  char32_t Reference() {
    Expect(U"&");
    const std::u32string_view body = Until(U";");
    static const std::pair<std::u32string_view, char32_t> kNamed[] = {
        {U"amp", U'&'}, {U"lt", U'<'}, {U"gt", U'>'}, {U"quot", U'"'}, {U"apos", U'\''}};
    for (const auto& [name, character] : kNamed) {
      if (body == name) return character;
    }
    if (body.size() < 2 || body[0] != U'#') Fail("unknown entity");
    const bool hex = body[1] == U'x';
    char32_t value = 0;
    for (char32_t digit : body.substr(hex ? 2 : 1)) {
      int place = -1;
      if (digit >= U'0' && digit <= U'9') place = static_cast<int>(digit - U'0');
      if (hex && digit >= U'a' && digit <= U'f') place = static_cast<int>(digit - U'a' + 10);
      if (hex && digit >= U'A' && digit <= U'F') place = static_cast<int>(digit - U'A' + 10);
      if (place < 0 || value > 0x10FFFF) Fail("ill-formed character reference");
      value = value * (hex ? 16 : 10) + static_cast<char32_t>(place);
    }
    if (body.size() == (hex ? 2u : 1u) || value > 0x10FFFF) Fail("ill-formed character reference");
    return value;
  }

  std::u32string AttributeValue() {
    const char32_t quote = at_ < text_.size() ? text_[at_] : 0;
    if (quote != U'"' && quote != U'\'') Fail("quoted attribute value expected");
    ++at_;
    std::u32string value;
    while (at_ < text_.size() && text_[at_] != quote) {
      if (text_[at_] == U'<') Fail("'<' in an attribute value");
      if (text_[at_] == U'&') {
        value += Reference();
      } else {
        // Attribute values read every white space character as a space.
        value += IsXmlSpace(text_[at_]) ? U' ' : text_[at_];
        ++at_;
      }
    }
    if (at_ == text_.size()) Fail("unterminated attribute value");
    ++at_;
    return value;
  }

  XmlElement Element() {
    Expect(U"<");
    XmlElement element;
    element.name = Name();
    for (;;) {
      SkipSpace();
      if (Skip(U"/>")) return element;
      if (Skip(U">")) break;
      std::u32string name = Name();
      SkipSpace();
      Expect(U"=");
      SkipSpace();
      element.attributes.emplace_back(std::move(name), AttributeValue());
    }
    Content(element);
    return element;
  }

  void Content(XmlElement& element) {
    for (;;) {
      if (at_ == text_.size()) Fail("element not closed");
      if (Skip(U"</")) {
        if (Name() != element.name) Fail("end tag of another element");
        SkipSpace();
        Expect(U">");
        return;
      }
      if (Skip(U"<!--")) {
        Until(U"-->");
      } else if (Skip(U"<![CDATA[")) {
        element.text += Until(U"]]>");
      } else if (Skip(U"<?")) {
        Until(U"?>");
      } else if (LooksAt(U"<")) {
        element.children.push_back(Element());
      } else if (LooksAt(U"&")) {
        element.text += Reference();
      } else {
        element.text += text_[at_++];
      }
    }
  }

  std::u32string text_;
  std::size_t at_ = 0;
};

}  // namespace

const XmlElement* XmlElement::Child(std::u32string_view childName) const {
  for (const XmlElement& child : children) {
    if (child.name == childName) return &child;
  }
  return nullptr;
}

std::optional<std::u32string> XmlElement::Attribute(std::u32string_view attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return value;
  }
  return std::nullopt;
}

std::u32string DecodeXmlText(std::string_view bytes) {
  std::u32string text;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    text = FromUtf16(bytes, bytes[0] == '\xFE');
  } else if (std::optional<std::u32string> utf8 = FromUtf8(bytes)) {
    text = std::move(*utf8);
  } else {
    for (char byte : bytes) text += FromWindows1252(static_cast<unsigned char>(byte));
  }
  return NormalizedLineEnds(text);
}

XmlElement ReadXmlDocument(std::string_view bytes) {
  return XmlParser(DecodeXmlText(bytes)).Document();
}

}  // namespace tarnwick::testing
