#include "plan_conversion.h"

#include <filesystem>
#include <fstream>
#include <ios>
#include <optional>
#include <system_error>

#include "position_conversion.h"
#include "source_scanner.h"
#include "target_writer.h"
#include "waypoint_section.h"

namespace tarnwick {

namespace {

bool IsFsxFlightPlan(const std::string& sourcePath, const CaseRules& rules) {
  SourceScanner scanner(OpenSource(sourcePath), rules);
  while (!scanner.Exhausted()) {
    scanner.ReadNormalizedLine();
    if (scanner.LineContains(FormatMarker)) return true;
  }
  return false;
}

// The same file reached by two paths (a link, or a second spelling of the path).
bool IsSameFile(const std::string& first, const std::string& second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error);
}

void WriteLine(TargetWriter& writer, std::string_view key, std::string_view value) {
  writer.WriteText(key);
  writer.WriteText(value);
  writer.EndLine();
}

std::string FindFromStart(SourceScanner& scanner, std::string_view tag) {
  scanner.RewindSource();
  return scanner.FindElement(tag, DocumentEnd);
}

std::string_view RouteTypeDigit(std::string_view routeType) {
  if (routeType.empty()) return "0";
  if (routeType == "vor") return "1";
  if (routeType == "lowalt") return "2";
  if (routeType == "highalt") return "3";
  return "";
}

// "departure_id=" and "destination_id=": the airport's identifier and its converted position.
void WriteAirportLine(SourceScanner& scanner, TargetWriter& writer, std::string_view key,
                      std::string_view idTag, std::string_view positionTag) {
  const CaseRules& rules = scanner.Rules();
  writer.WriteText(key);
  writer.WriteText(rules.Upper(FindFromStart(scanner, idTag)));
  writer.WriteText(", ");
  writer.WriteText(rules.Upper(ConvertPosition(FindFromStart(scanner, positionTag))));
  writer.EndLine();
}

void WriteHeaderSection(SourceScanner& scanner, TargetWriter& writer) {
  const CaseRules& rules = scanner.Rules();
  WriteLine(writer, "[flightplan]", "");
  WriteLine(writer, AppVersionLine, "");
  scanner.RewindSource();
  WriteLine(writer, "title=", rules.Upper(scanner.FindElement("<title>", std::nullopt)));
  // Goes on behind the title, so the marker line (the document's own Descr) is not taken.
  scanner.ResyncSource();
  WriteLine(writer, "description=", rules.Upper(scanner.FindElement("<descr>", DocumentEnd)));
  WriteLine(writer, "type=", rules.Upper(FindFromStart(scanner, "<fptype>")));
  WriteLine(writer, "routetype=", RouteTypeDigit(FindFromStart(scanner, "<routetype>")));
  WriteLine(writer, "cruising_altitude=", FindFromStart(scanner, "<cruisingalt>"));
  WriteAirportLine(scanner, writer, "departure_id=", "<departureid>", "<departurella>");
  WriteAirportLine(scanner, writer, "destination_id=", "<destinationid>", "<destinationlla>");
  for (const auto& [key, tag] : {std::pair{"departure_position=", "<departureposition>"},
                                 std::pair{"departure_name=", "<departurename>"},
                                 std::pair{"destination_name=", "<destinationname>"}}) {
    WriteLine(writer, key, rules.Upper(FindFromStart(scanner, tag)));
  }
}

}  // namespace

ConversionResult ConvertFlightPlan(const std::string& sourcePath, const std::string& targetPath,
                                   const CaseRules& rules) {
  if (!IsFsxFlightPlan(sourcePath, rules)) return ConversionResult::NotFsxPlan;
  // Emptying the target would destroy the very plan that is to be converted.
  if (IsSameFile(sourcePath, targetPath)) return ConversionResult::TargetNotWritten;
  SourceScanner scanner(OpenSource(sourcePath), rules);
  std::filebuf target;
  if (target.open(targetPath, std::ios::out | std::ios::trunc | std::ios::binary) == nullptr) {
    return ConversionResult::TargetNotWritten;
  }
  TargetWriter writer(target);
  WriteHeaderSection(scanner, writer);
  // Every waypoint element counts, wherever it stands and whatever header element is missing.
  scanner.RewindSource();
  WaypointSection(scanner, writer);
  scanner.Close();
  const bool closed = target.close() != nullptr;
  return closed && !writer.Failed() ? ConversionResult::Converted
                                    : ConversionResult::TargetNotWritten;
}

}  // namespace tarnwick
