#include "waypoint_section.h"

#include <cstdint>
#include <optional>
#include <string>

#include "plan_format.h"
#include "position_conversion.h"

namespace tarnwick {

namespace {

std::string_view TypeLetter(std::string_view type) {
  if (type == "airport") return "A";
  if (type == "vor") return "V";
  if (type == "ndb") return "N";
  if (type == "user" || type == "intersection") return "I";
  return type;
}

// Sets `text` to `value` in the code page's upper case, reusing the text's memory.
void AssignUpper(const CaseRules& rules, std::string& text, std::string_view value) {
  text.assign(value);
  rules.UpperInPlace(text);
}

struct Waypoint {
  std::string identifier;
  std::string typeLetter;
  std::string position;
  std::string region;  // carried over to the next waypoint when it has no region of its own
};

// Reads on to the next waypoint start line and leaves its identifier in the scanner's line;
// false when the document or the source ends first.
bool FindIdentifier(SourceScanner& scanner) {
  scanner.ResyncSource();
  for (;;) {
    scanner.ReadNormalizedLine();
    const std::ptrdiff_t tag = scanner.TagPosition(tags::WaypointStart, 0);
    const bool cut = tag >= 0;
    if (cut) {
      // From the second byte after the tag up to the byte before the next '>': the quoted text.
      const std::ptrdiff_t close = scanner.TagPosition(">", tag + 1);
      const auto skip = static_cast<std::ptrdiff_t>(tags::WaypointStart.size()) + 1;
      scanner.CutLine(tag + skip, close - tag - skip - 1);
    }
    if (scanner.LineIs(WaypointEnd)) {
      scanner.ResyncSource();
      continue;
    }
    if (scanner.LineIs(DocumentEnd)) return false;
    if (cut) return true;
    if (scanner.Exhausted()) return false;
  }
}

// Why a waypoint element is lost when a search ends without its value: at the element's end the
// element lacks it; at the document's or the file's end the plan ended inside it.
WaypointLoss Lost(WaypointSearch search, WaypointLoss atWaypointEnd) {
  return search == WaypointSearch::AtWaypointEnd ? atWaypointEnd : WaypointLoss::PlanEnds;
}

// Reads one waypoint element after its identifier: its type, position and region. Nothing when
// the waypoint is complete, else why it is lost.
std::optional<WaypointLoss> ReadWaypointBody(SourceScanner& scanner, Waypoint& waypoint) {
  const CaseRules& rules = scanner.Rules();
  WaypointSearch search = FindWaypointElement(scanner, tags::WaypointType);
  if (search != WaypointSearch::Found) return Lost(search, WaypointLoss::NoType);
  waypoint.typeLetter.assign(TypeLetter(scanner.Line()));
  search = FindWaypointElement(scanner, tags::WorldPosition);
  if (search != WaypointSearch::Found) return Lost(search, WaypointLoss::NoPosition);
  waypoint.position.clear();
  AppendConvertedPosition(waypoint.position, scanner.Line());
  rules.UpperInPlace(waypoint.position);
  search = FindWaypointElement(scanner, tags::Region);
  if (search == WaypointSearch::Found) {
    AssignUpper(rules, waypoint.region, scanner.Line());
  } else if (search != WaypointSearch::AtWaypointEnd) {
    return WaypointLoss::PlanEnds;
  }
  // An airport line never carries a region, and the next waypoint inherits none from it.
  if (waypoint.typeLetter == "A") waypoint.region.clear();
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

WaypointSearch FindWaypointElement(SourceScanner& scanner, std::string_view tag) {
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
    if (scanner.Exhausted()) return WaypointSearch::SourceExhausted;
  }
}

std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             ConversionObserver* observer) {
  if (scanner.AtEndOfSource()) return 0;
  Waypoint waypoint;
  std::int64_t number = 0;
  while (!writer.Failed() && FindIdentifier(scanner)) {
    const std::int64_t line = scanner.LineNumber();
    AssignUpper(scanner.Rules(), waypoint.identifier, scanner.Line());
    if (const std::optional<WaypointLoss> loss = ReadWaypointBody(scanner, waypoint)) {
      if (observer != nullptr) observer->WaypointLeftOut({line, waypoint.identifier, *loss});
      if (*loss == WaypointLoss::PlanEnds) break;
      continue;
    }
    WriteWaypointLine(writer, number, waypoint);
    ++number;
    if (scanner.AtEndOfSource()) break;
  }
  return number;
}

}  // namespace tarnwick
