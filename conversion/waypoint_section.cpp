#include "waypoint_section.h"

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

// Sets `text` to `value` as written: its references decoded, then in the code page's upper case
// (the line it was cut from was lower-cased). Reuses the text's memory.
void AssignUpper(const CaseRules& rules, std::string& text, std::string_view value) {
  text.assign(value);
  DecodeCharacterReferences(text, rules);
  rules.UpperInPlace(text);
}

struct Waypoint {
  std::string id;  // the id attribute's value as cut
  FirstIdent ident;
  bool user = false;       // of type user: its id is its user's own name
  std::string identifier;  // the one the target carries (ResolveIdentifier)
  std::string typeLetter;
  std::string position;
  std::string region;  // carried over to the next waypoint when it has no region of its own

  // Forgets the element before, keeping the region and the memory.
  void Start(std::string_view idValue) {
    id.assign(idValue);
    ident.Reset();
    user = false;
  }
};

// The identifier FS9 looks the waypoint up by is its ICAOIdent; the id attribute often holds a
// name instead. A user waypoint keeps its id: planners invent its ICAOIdent.
void ResolveIdentifier(const CaseRules& rules, Waypoint& waypoint) {
  const bool byIdent = (!waypoint.user || waypoint.id.empty()) && !waypoint.ident.value.empty();
  AssignUpper(rules, waypoint.identifier, byIdent ? waypoint.ident.value : waypoint.id);
}

// Where the reading of a complete waypoint element stopped.
enum class ElementEnd {
  Passed,     // on a line of the element or its end line: the next search reads on behind it
  NextStart,  // on the next element's start line, which is the scanner's line
  SectionEnd  // at the end of the document or the source
};

bool StartsWaypoint(const SourceScanner& scanner) {
  return scanner.LineIs(BareWaypointStart) || scanner.LineContains(tags::WaypointStart);
}

// Leaves the identifier of a line that starts a waypoint element in the scanner's line: from the
// second byte after the tag up to the byte before the next '>' (the quoted text), or nothing for
// an element without an id. False, with the line untouched, for any other line.
bool CutIdentifier(SourceScanner& scanner) {
  if (scanner.LineIs(BareWaypointStart)) {
    scanner.CutLine(0, 0);
    return true;
  }
  const std::ptrdiff_t tag = scanner.TagPosition(tags::WaypointStart, 0);
  if (tag < 0) return false;
  const std::ptrdiff_t close = scanner.TagPosition(">", tag + 1);
  const auto skip = static_cast<std::ptrdiff_t>(tags::WaypointStart.size()) + 1;
  scanner.CutLine(tag + skip, close - tag - skip - 1);
  return true;
}

// Reads on to the next waypoint start line (or takes the scanner's line, which is one) and leaves
// its identifier in the scanner's line; false when the document or the source ends first.
bool FindIdentifier(SourceScanner& scanner, bool onStartLine) {
  scanner.ResyncSource();
  for (;; onStartLine = false) {
    if (!onStartLine) scanner.ReadNormalizedLine();
    const bool cut = CutIdentifier(scanner);
    if (scanner.LineIs(WaypointEnd)) {
      scanner.ResyncSource();
      continue;
    }
    if (scanner.LineIs(DocumentEnd)) return false;
    if (cut) return true;
    if (scanner.Exhausted()) return false;
  }
}

// The element's lines after its region, up to and including its end line, for an ident written
// behind the region. A line that starts the next element ends them too, so that an element
// without its end line takes nothing from its neighbour.
ElementEnd ReadRestOfElement(SourceScanner& scanner, FirstIdent& ident) {
  scanner.ResyncSource();
  for (;;) {
    scanner.ReadNormalizedLine();
    if (scanner.LineIs(WaypointEnd)) return ElementEnd::Passed;
    if (scanner.LineIs(DocumentEnd)) return ElementEnd::SectionEnd;
    if (StartsWaypoint(scanner)) return ElementEnd::NextStart;
    ident.Note(scanner);
    if (scanner.Exhausted()) return ElementEnd::SectionEnd;
  }
}

// Why a waypoint element is lost when a search ends without its value: at the element's end the
// element lacks it; at the document's or the file's end the plan ended inside it.
WaypointLoss Lost(WaypointSearch search, WaypointLoss atWaypointEnd) {
  return search == WaypointSearch::AtWaypointEnd ? atWaypointEnd : WaypointLoss::PlanEnds;
}

// An airport element read to its end without a position: placed where the header places the
// airport of its identifier, where it does. Its line carries no region, as every airport's.
bool PlaceFromHeader(const CaseRules& rules, const HeaderAirports& airports, Waypoint& waypoint) {
  ResolveIdentifier(rules, waypoint);
  const std::optional<std::string_view> position = airports.PositionOf(waypoint.identifier);
  if (!position) return false;
  waypoint.position.assign(*position);
  waypoint.region.clear();
  return true;
}

// Reads one waypoint element after its start line: its type, position, region and ident.
// Nothing when the waypoint is complete (`end` then tells where the reading stopped), else why
// it is lost.
std::optional<WaypointLoss> ReadWaypointBody(SourceScanner& scanner, const HeaderAirports& airports,
                                             Waypoint& waypoint, ElementEnd& end) {
  const CaseRules& rules = scanner.Rules();
  WaypointSearch search = FindWaypointElement(scanner, tags::WaypointType, waypoint.ident);
  if (search != WaypointSearch::Found) return Lost(search, WaypointLoss::NoType);
  const std::string_view type = scanner.Line();
  waypoint.user = type == "user";
  const std::string_view letter = KnownTypeLetter(type);
  // Any other type is written as it stands, in lower case, with its references decoded.
  waypoint.typeLetter.assign(letter.empty() ? type : letter);
  if (letter.empty()) DecodeCharacterReferences(waypoint.typeLetter, rules);
  const bool airport = type == "airport";
  search = FindWaypointElement(scanner, tags::WorldPosition, waypoint.ident);
  if (search != WaypointSearch::Found) {
    const bool placed = search == WaypointSearch::AtWaypointEnd && airport &&
                        PlaceFromHeader(rules, airports, waypoint);
    return placed ? std::nullopt : std::optional(Lost(search, WaypointLoss::NoPosition));
  }
  waypoint.position.clear();
  AppendConvertedPosition(waypoint.position, scanner.Line());
  rules.UpperInPlace(waypoint.position);
  search = FindWaypointElement(scanner, tags::Region, waypoint.ident);
  if (search == WaypointSearch::Found) {
    AssignUpper(rules, waypoint.region, scanner.Line());
    end = ReadRestOfElement(scanner, waypoint.ident);
  } else if (search != WaypointSearch::AtWaypointEnd) {
    return WaypointLoss::PlanEnds;
  }
  // An airport line never carries a region, and the next waypoint inherits none from it.
  if (airport) waypoint.region.clear();
  return std::nullopt;
}

void WriteWaypointLine(TargetWriter& writer, std::int64_t number, const Waypoint& waypoint) {
  writer.WriteText("waypoint.");
  writer.WriteNumber(number);
  writer.WriteText("=", waypoint.region, ", ", waypoint.identifier, ", , ", waypoint.identifier,
                   ", ", waypoint.typeLetter, ", ", waypoint.position, ",");
  writer.EndLine();
}

}  // namespace

void FirstIdent::Note(SourceScanner& scanner) {
  if (seen) return;
  // The lines behind the next element's start line are that element's, even when this one has
  // no end line: its ident is never this one's.
  if (StartsWaypoint(scanner)) {
    seen = true;
    return;
  }
  if (!scanner.LineContains(tags::Ident)) return;
  seen = true;
  value.assign(scanner.ElementValue(tags::Ident));
}

WaypointSearch FindWaypointElement(SourceScanner& scanner, std::string_view tag,
                                   FirstIdent& ident) {
  scanner.ResyncSource();
  for (;;) {
    scanner.ReadNormalizedLine();
    bool found = false;
    if (scanner.LineContains(tag)) {
      scanner.ElementValue(tag);
      found = true;
    }
    // Tested after the cut: on the element's own line these look at its value.
    if (scanner.LineIs(WaypointEnd)) return WaypointSearch::AtWaypointEnd;
    if (scanner.LineIs(DocumentEnd)) return WaypointSearch::AtDocumentEnd;
    if (found) return WaypointSearch::Found;
    // Neither the value nor an end: the line may hold the ident, which is then cut from it.
    ident.Note(scanner);
    if (scanner.Exhausted()) return WaypointSearch::SourceExhausted;
  }
}

std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             const HeaderAirports& airports, ConversionObserver* observer) {
  if (scanner.AtEndOfSource()) return 0;
  Waypoint waypoint;
  std::int64_t number = 0;
  bool onStartLine = false;
  while (!writer.Failed() && FindIdentifier(scanner, onStartLine)) {
    const std::int64_t line = scanner.LineNumber();
    waypoint.Start(scanner.Line());
    ElementEnd end = ElementEnd::Passed;
    const std::optional<WaypointLoss> loss = ReadWaypointBody(scanner, airports, waypoint, end);
    ResolveIdentifier(scanner.Rules(), waypoint);
    onStartLine = end == ElementEnd::NextStart;
    if (loss) {
      if (observer != nullptr) observer->WaypointLeftOut({line, waypoint.identifier, *loss});
      if (*loss == WaypointLoss::PlanEnds) break;
      continue;
    }
    WriteWaypointLine(writer, number, waypoint);
    ++number;
    // The next element's start line is read already, even where it is the source's last.
    if (end == ElementEnd::SectionEnd || (!onStartLine && scanner.AtEndOfSource())) break;
  }
  return number;
}

}  // namespace tarnwick
