#include "waypoint_section.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "character_references.h"
#include "plan_format.h"
#include "position_conversion.h"

namespace tarnwick {

namespace {

// The letter of a type the target knows; empty for another type, which is written as itself.
std::string_view KnownTypeLetter(std::string_view type) {
  if (type == "airport") return "A";
  if (type == "vor") return "V";
  if (type == "ndb") return "N";
  if (type == "user" || type == "intersection") return "I";
  return {};
}

// Sets `text` to `value` as written in a field of the target: its references decoded, in the code
// page's upper case (the line it was cut from was lower-cased), and each comma a space, since a
// comma would split the field in two. Reuses the text's memory.
void AssignField(const CaseRules& rules, std::string& text, std::string_view value) {
  text.assign(value);
  DecodeCharacterReferences(text, rules);
  rules.UpperInPlace(text);
  std::replace(text.begin(), text.end(), ',', ' ');
}

// A waypoint line's pieces, reused from waypoint to waypoint.
struct Waypoint {
  std::string identifier;
  std::string typeLetter;
  std::string position;
  std::string region;   // carried over to the next waypoint when it has no region of its own
  std::string decoded;  // a position with references, decoded
};

// The identifier FS9 looks the waypoint up by is its ICAOIdent; the id attribute often holds a
// name instead. A user waypoint keeps its id: planners invent its ICAOIdent.
void ResolveIdentifier(const CaseRules& rules, const WaypointElement& element, Waypoint& waypoint) {
  const bool user = element.type.found && element.type.value == "user";
  const bool byIdent = (!user || element.id.empty()) && !element.ident.value.empty();
  AssignField(rules, waypoint.identifier, byIdent ? element.ident.value : element.id);
}

// The element's position converted, or where the header places an airport without one; false
// when it has neither.
bool PlaceWaypoint(const CaseRules& rules, const WaypointElement& element,
                   const HeaderAirports& airports, Waypoint& waypoint) {
  waypoint.position.clear();
  if (!element.position.found) {
    const std::optional<std::string_view> placed =
        element.type.value == "airport" ? airports.PositionOf(waypoint.identifier) : std::nullopt;
    if (placed) waypoint.position.assign(*placed);
    return placed.has_value();
  }
  std::string_view coordinate = element.position.value;
  // References (`&apos;`, `&#176;`) stand for the marks they name.
  if (coordinate.find('&') != std::string_view::npos) {
    waypoint.decoded.assign(coordinate);
    DecodeCharacterReferences(waypoint.decoded, rules);
    coordinate = waypoint.decoded;
  }
  AppendConvertedPosition(waypoint.position, coordinate);
  rules.UpperInPlace(waypoint.position);
  return true;
}

void SetTypeLetter(const CaseRules& rules, std::string_view type, Waypoint& waypoint) {
  const std::string_view letter = KnownTypeLetter(type);
  // Any other type is written as it stands, in lower case, with its references decoded.
  waypoint.typeLetter.assign(letter.empty() ? type : letter);
  if (letter.empty()) DecodeCharacterReferences(waypoint.typeLetter, rules);
}

void WriteWaypointLine(TargetWriter& writer, std::int64_t number, const Waypoint& waypoint) {
  writer.WriteText("waypoint.");
  writer.WriteNumber(number);
  writer.WriteText("=", waypoint.region, ", ", waypoint.identifier, ", , ", waypoint.identifier,
                   ", ", waypoint.typeLetter, ", ", waypoint.position, ",");
  writer.EndLine();
}

// Whether the scanner's line starts a waypoint element.
bool StartsWaypoint(const SourceScanner& scanner) {
  return scanner.MayStartWaypoint() &&
         (scanner.LineIs(BareWaypointStart) || scanner.LineContains(tags::WaypointStart));
}

// Reads on to the next waypoint start line, or takes the scanner's line, which is one; false
// when the document or the source ends first.
bool FindStartLine(SourceScanner& scanner, bool onStartLine) {
  if (onStartLine) return true;
  for (;;) {
    scanner.ReadNormalizedLine();
    if (StartsWaypoint(scanner)) return true;
    if (scanner.LineIs(DocumentEnd) || scanner.Exhausted()) return false;
  }
}

// The identifier of a start line: from the second byte after the tag up to the byte before the
// next '>' (the quoted text), or nothing for an element without an id.
std::string_view CutIdentifier(SourceScanner& scanner) {
  if (scanner.LineIs(BareWaypointStart)) return {};
  const std::ptrdiff_t tag = scanner.TagPosition(tags::WaypointStart, 0);
  const std::ptrdiff_t close = scanner.TagPosition(">", tag + 1);
  const auto skip = static_cast<std::ptrdiff_t>(tags::WaypointStart.size()) + 1;
  return scanner.CutLine(tag + skip, close - tag - skip - 1);
}

// A field of the element, by the tag that starts its line and the end tag it must hold too.
struct FieldTags {
  ElementField WaypointElement::*field;
  std::string_view tag;
  std::string_view endTag;
};
// In the order in which a line is tried for them.
constexpr std::array<FieldTags, 4> kFields{{
    {&WaypointElement::type, tags::WaypointType, tags::WaypointTypeEnd},
    {&WaypointElement::position, tags::WorldPosition, tags::WorldPositionEnd},
    {&WaypointElement::region, tags::Region, tags::RegionEnd},
    {&WaypointElement::ident, tags::Ident, tags::IdentEnd},
}};

// Takes the first of the element's fields, in this order, whose tag the scanner's line holds
// with its end tag and that no line before gave.
void TakeField(SourceScanner& scanner, WaypointElement& element) {
  const std::string_view line = scanner.Line();
  // A field's line holds its end tag behind its start tag, so a '<' after its first byte.
  const std::size_t second = line.size() < 2 ? std::string_view::npos : line.find('<', 1);
  if (second == std::string_view::npos) return;
  // Nearly every such line is a field's start tag, its value and its end tag, and holds no other
  // tag: it gives that field alone.
  for (const FieldTags& tags : kFields) {
    if (second == line.size() - tags.endTag.size() && line.starts_with(tags.tag) &&
        line.ends_with(tags.endTag)) {
      ElementField& field = element.*tags.field;
      if (!field.found) field.Take(scanner.ElementValue(tags.tag));
      return;
    }
  }
  for (const FieldTags& tags : kFields) {
    ElementField& field = element.*tags.field;
    if (!field.found && scanner.LineContains(tags.tag) && scanner.LineContains(tags.endTag)) {
      field.Take(scanner.ElementValue(tags.tag));
      return;
    }
  }
}

}  // namespace

void WaypointElement::Read(SourceScanner& scanner) {
  line = scanner.LineNumber();
  id.assign(CutIdentifier(scanner));
  for (ElementField* field : {&type, &position, &region, &ident}) {
    field->found = false;
    field->value.clear();
  }
  for (;;) {
    scanner.ReadNormalizedLine();
    // Tested first: an element without its end line ends where the next one starts.
    if (StartsWaypoint(scanner)) {
      end = ElementEnd::NextStart;
      return;
    }
    if (scanner.LineIs(WaypointEnd)) {
      end = ElementEnd::EndLine;
      return;
    }
    if (scanner.LineIs(DocumentEnd)) {
      end = ElementEnd::DocumentEndLine;
      return;
    }
    TakeField(scanner, *this);
    if (scanner.Exhausted()) {
      end = ElementEnd::SourceEnd;
      return;
    }
  }
}

std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             const HeaderAirports& airports, ConversionObserver* observer) {
  if (scanner.AtEndOfSource()) return 0;
  const CaseRules& rules = scanner.Rules();
  WaypointElement element;
  Waypoint waypoint;
  std::int64_t number = 0;
  bool onStartLine = false;
  while (!writer.Failed() && FindStartLine(scanner, onStartLine)) {
    element.Read(scanner);
    onStartLine = element.end == ElementEnd::NextStart;
    const bool sectionEnds =
        element.end == ElementEnd::DocumentEndLine || element.end == ElementEnd::SourceEnd;
    ResolveIdentifier(rules, element, waypoint);
    if (!element.type.found || !PlaceWaypoint(rules, element, airports, waypoint)) {
      const WaypointLoss loss = sectionEnds          ? WaypointLoss::PlanEnds
                                : element.type.found ? WaypointLoss::NoPosition
                                                     : WaypointLoss::NoType;
      if (observer != nullptr) observer->WaypointLeftOut({element.line, waypoint.identifier, loss});
      if (sectionEnds) break;
      continue;
    }
    SetTypeLetter(rules, element.type.value, waypoint);
    // Only a written waypoint sets the region carried on; an airport line never carries one.
    if (element.type.value == "airport") {
      waypoint.region.clear();
    } else if (element.region.found) {
      AssignField(rules, waypoint.region, element.region.value);
    }
    WriteWaypointLine(writer, number, waypoint);
    ++number;
    if (sectionEnds) break;
  }
  return number;
}

}  // namespace tarnwick
