#include "plan_conversion.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "character_references.h"
#include "header_airports.h"
#include "plan_format.h"
#include "position_conversion.h"
#include "waypoint_section.h"

namespace tarnwick {

namespace {

void WriteLine(TargetWriter& writer, std::string_view key, std::string_view value) {
  writer.WriteText(key, value);
  writer.EndLine();
}

std::string FindFromStart(SourceScanner& scanner, std::string_view tag) {
  scanner.RewindSource();
  return scanner.FindElement(tag, DocumentEnd);
}

std::string DecodedText(std::string value, const CaseRules& rules) {
  DecodeCharacterReferences(value, rules);
  return value;
}

// A text value as written: its references decoded, then upper-cased with its other letters (the
// line it was cut from was lower-cased).
std::string UpperText(std::string value, const CaseRules& rules) {
  std::string text = DecodedText(std::move(value), rules);
  rules.UpperInPlace(text);
  return text;
}

std::string_view RouteTypeDigit(std::string_view routeType) {
  // FSX leaves the element out for a direct route; later planners write it.
  if (routeType.empty() || routeType == "direct") return "0";
  if (routeType == "vor") return "1";
  if (routeType == "lowalt") return "2";
  if (routeType == "highalt") return "3";
  return "";
}

// "departure_id=" and "destination_id=": the airport's identifier and its converted position,
// which are given back as written.
HeaderAirport WriteAirportLine(SourceScanner& scanner, TargetWriter& writer, std::string_view key,
                               std::string_view idTag, std::string_view positionTag) {
  const CaseRules& rules = scanner.Rules();
  HeaderAirport airport{UpperText(FindFromStart(scanner, idTag), rules), std::nullopt};
  // A comma would split FS9's fields.
  std::replace(airport.identifier.begin(), airport.identifier.end(), ',', ' ');
  // References (`&apos;`, `&#176;`) stand for the marks they name.
  const std::string coordinate = DecodedText(FindFromStart(scanner, positionTag), rules);
  std::string position = rules.Upper(ConvertPosition(coordinate));
  writer.WriteText(key, airport.identifier, ", ", position);
  writer.EndLine();
  if (!coordinate.empty()) airport.position = std::move(position);
  return airport;
}

HeaderAirports WriteHeaderSection(SourceScanner& scanner, TargetWriter& writer) {
  const CaseRules& rules = scanner.Rules();
  WriteLine(writer, SectionLine, "");
  WriteLine(writer, AppVersionLine, "");
  scanner.RewindSource();
  WriteLine(writer, "title=", UpperText(scanner.FindElement(tags::Title, std::nullopt), rules));
  // Goes on behind the title, so the marker line (the document's own Descr) is not taken. A plan
  // without a title (the search met the end) is searched behind its plan element's start line,
  // which the document's own Descr precedes too.
  if (scanner.AtEndOfSource()) {
    scanner.RewindSource();
    scanner.FindElement(PlanStart, DocumentEnd);
  }
  scanner.ResyncSource();
  WriteLine(writer,
            "description=", UpperText(scanner.FindElement(tags::Description, DocumentEnd), rules));
  WriteLine(writer, "type=", UpperText(FindFromStart(scanner, tags::PlanType), rules));
  WriteLine(writer, "routetype=", RouteTypeDigit(FindFromStart(scanner, tags::RouteType)));
  WriteLine(writer, "cruising_altitude=",
            DecodedText(FindFromStart(scanner, tags::CruisingAltitude), rules));
  HeaderAirports airports;
  airports.departure = WriteAirportLine(scanner, writer, "departure_id=", tags::DepartureId,
                                        tags::DeparturePosition);
  airports.destination = WriteAirportLine(scanner, writer, "destination_id=", tags::DestinationId,
                                          tags::DestinationPosition);
  for (const auto& [key, tag] : {std::pair{"departure_position=", tags::ParkingPosition},
                                 std::pair{"departure_name=", tags::DepartureName},
                                 std::pair{"destination_name=", tags::DestinationName}}) {
    WriteLine(writer, key, UpperText(FindFromStart(scanner, tag), rules));
  }
  return airports;
}

}  // namespace

bool IsFsxFlightPlan(SourceScanner& scanner) {
  bool documentStarted = false;
  while (!scanner.Exhausted()) {
    scanner.ReadNormalizedLine();
    if (scanner.LineContains(FormatMarker)) return true;
    // Tested before the document's start counts, so that the plan's start comes on a later line.
    if (documentStarted && scanner.LineContains(PlanStart)) return true;
    documentStarted = documentStarted || scanner.LineContains(DocumentStart);
  }
  return false;
}

std::int64_t WriteFs9Plan(SourceScanner& scanner, TargetWriter& writer,
                          ConversionObserver* observer) {
  const HeaderAirports airports = WriteHeaderSection(scanner, writer);
  // Every waypoint element counts, wherever it stands and whatever header element is missing.
  scanner.RewindSource();
  return WaypointSection(scanner, writer, airports, observer);
}

}  // namespace tarnwick
