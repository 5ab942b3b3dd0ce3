#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick::testing {

// A plan read the way an XML reader reads it, to check the conversion's line rules against: the
// opposite of how the conversion reads, so that the two cannot share a mistake.
struct XmlElement {
  std::u32string name;
  std::vector<std::pair<std::u32string, std::u32string>> attributes;
  std::u32string text;  // character data directly inside, references and CDATA resolved
  std::vector<XmlElement> children;

  // The first child of that name, or null.
  const XmlElement* Child(std::u32string_view childName) const;
  std::optional<std::u32string> Attribute(std::u32string_view attributeName) const;
};

// The characters of a file: UTF-16 after its byte-order mark; else UTF-8 where every byte is
// valid UTF-8 (a byte-order mark dropped); else Windows-1252. CR LF and CR are read as LF.
std::u32string DecodeXmlText(std::string_view bytes);

// The root element of a document; std::runtime_error where the text is not well-formed.
XmlElement ReadXmlDocument(std::string_view bytes);

}  // namespace tarnwick::testing
