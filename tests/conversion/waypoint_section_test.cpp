#include "waypoint_section.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::JoinLines;

// Runs the section over `source` from its first line and gives the lines it wrote.
std::string Section(const std::string& source) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules());
  std::stringbuf target;
  TargetWriter writer(target);
  WaypointSection(scanner, writer);
  return target.str();
}

const std::string kAirport = JoinLines({
    R"(<ATCWaypoint id="KABC">)",
    "<ATCWaypointType>Airport</ATCWaypointType>",
    "<WorldPosition>N47\xC2\xB0 26' 56.40\",W122\xC2\xB0 18' 42.60\",+000429.00</WorldPosition>",
    "</ATCWaypoint>",
});
const std::string kVor = JoinLines({
    R"(  <ATCWaypoint id="ABC">)",
    "    <ATCWaypointType>VOR</ATCWaypointType>",
    "    <WorldPosition>N47\xC2\xB0 26' 7.84\",W122\xC2\xB0 18' 35.08\",+000000.00</WorldPosition>",
    "    <ICAO>",
    "      <ICAORegion>K1</ICAORegion>",
    "      <ICAOIdent>ABC</ICAOIdent>",
    "    </ICAO>",
    "  </ATCWaypoint>",
});
const std::string kUser = JoinLines({
    R"(<atcwaypoint id="wp1">)",
    "<atcwaypointtype>user</atcwaypointtype>",
    "<worldposition>n47\xC2\xB0 30' 0.00\",w122\xC2\xB0 10' 30.00\",+000000.00</worldposition>",
    "</atcwaypoint>",
});
const std::string kEnd = "</SimBase.Document>\r\n";

const std::string kAirportLine =
    "waypoint.0=, KABC, , KABC, A, N47* 26.94', W122* 18.71', +000429.00,\r\n";
const std::string kVorLine =
    "waypoint.1=K1, ABC, , ABC, V, N47* 26.13', W122* 18.58', +000000.00,\r\n";
const std::string kUserLine =
    "waypoint.2=K1, WP1, , WP1, I, N47* 30.00', W122* 10.50', +000000.00,\r\n";

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

struct SectionCase {
  std::string name;
  std::string source;
  std::string lines;
};

class WaypointSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(WaypointSectionTest, WritesOneLinePerCompleteWaypoint) {
  EXPECT_EQ(Section(GetParam().source), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, WaypointSectionTest,
    ::testing::Values(
        SectionCase{"AirportVorUser", kAirport + kVor + kUser + kEnd,
                    kAirportLine + kVorLine + kUserLine},
        SectionCase{"NoWaypoints", "<a>\r\n" + kEnd, ""},
        SectionCase{"VorWithoutPositionIsDropped",
                    kAirport + Replaced(kVor, "<WorldPosition>", "<Position>") + kUser + kEnd,
                    kAirportLine + Replaced(kUserLine, "waypoint.2=K1", "waypoint.1=")},
        SectionCase{"TypeMissingIsDropped",
                    Replaced(kAirport, "ATCWaypointType>Airport", "Kind>Airport") + kUser + kEnd,
                    Replaced(kUserLine, "waypoint.2=K1", "waypoint.0=")},
        SectionCase{"AirportRegionIsCleared",
                    kVor +
                        Replaced(kAirport, "</ATCWaypoint>",
                                 "<ICAORegion>ED</ICAORegion>\r\n</ATCWaypoint>") +
                        kUser + kEnd,
                    Replaced(kVorLine, "waypoint.1", "waypoint.0") +
                        Replaced(kAirportLine, "waypoint.0", "waypoint.1") +
                        Replaced(kUserLine, "waypoint.2=K1", "waypoint.2=")},
        SectionCase{"UnknownTypeKeptInLowerCase", Replaced(kVor, ">VOR<", ">Fix<") + kEnd,
                    "waypoint.0=K1, ABC, , ABC, fix, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"SingleQuotedIdentifier", Replaced(kUser, "\"wp1\"", "'kabc'") + kEnd,
                    "waypoint.0=, KABC, , KABC, I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{"UnquotedIdentifierLosesItsEnds", Replaced(kUser, "\"wp1\"", "kabc") + kEnd,
                    "waypoint.0=, AB, , AB, I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{"IdentifierWithoutClosingBracket",
                    Replaced(kUser, "\"wp1\">", "\"wp1\"") + kEnd,
                    "waypoint.0=, , , , I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{
            "EndLineWithMoreTextDoesNotEndTheElement",
            Replaced(kAirport, "<WorldPosition>", "</ATCWaypoint> -- \r\n<WorldPosition>") + kEnd,
            kAirportLine},
        SectionCase{"ElementWithoutIdentifierLineIsPassedOver",
                    Replaced(kVor, "<ATCWaypoint id=\"ABC\">", "<ATCWaypoint>") + kUser + kEnd,
                    Replaced(kUserLine, "waypoint.2=K1", "waypoint.0=")},
        SectionCase{"TruncatedInTheMiddle", kAirport + kVor.substr(0, 80), kAirportLine},
        SectionCase{"LastWaypointWithoutEndLine",
                    kAirport + kUser.substr(0, kUser.rfind("</atcwaypoint>")), kAirportLine},
        SectionCase{"NoDocumentEnd", kAirport + kVor, kAirportLine + kVorLine},
        SectionCase{"RegionAfterDocumentEndIsNotSought",
                    Replaced(kVor, "<ICAO>", "</SimBase.Document>") + kUser, ""},
        SectionCase{"LastLineWithoutLineEnd",
                    kAirport + kVor.substr(0, kVor.find("\r\n      <ICAOIdent>")),
                    kAirportLine + kVorLine}),
    [](const auto& test) { return test.param.name; });

TEST(WaypointSectionTest, NumbersEveryWrittenLine) {
  std::string source;
  for (int i = 0; i < 11; ++i) source += kUser;
  const std::string lines = Section(source + kEnd);
  EXPECT_NE(lines.find("\r\nwaypoint.10=, WP1,"), std::string::npos);
  EXPECT_EQ(lines.find("waypoint.11="), std::string::npos);
}

TEST(WaypointSectionTest, WritesNothingOnceTheSourceHasEnded) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(kUser, std::ios::in),
                        Windows1252CaseRules());
  while (!scanner.AtEndOfSource()) scanner.ReadNormalizedLine();
  std::stringbuf target;
  TargetWriter writer(target);
  WaypointSection(scanner, writer);
  EXPECT_EQ(target.str(), "");
}

struct SearchCase {
  std::string source;
  WaypointSearch outcome;
  std::string line;
};

class FindWaypointElementTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindWaypointElementTest, EndsAtTheFirstOutcome) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(GetParam().source, std::ios::in),
                        Windows1252CaseRules());
  EXPECT_EQ(FindWaypointElement(scanner, "<icaoregion>"), GetParam().outcome);
  EXPECT_EQ(scanner.Line(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FindWaypointElementTest,
    ::testing::Values(
        SearchCase{"x\n<ICAORegion>K1</ICAORegion>\n", WaypointSearch::Found, "k1"},
        SearchCase{"</ATCWaypoint>\n<icaoregion>k1</icaoregion>\n", WaypointSearch::AtWaypointEnd,
                   "</atcwaypoint>"},
        SearchCase{" </simbase.document>\n", WaypointSearch::AtDocumentEnd, "</simbase.document>"},
        SearchCase{"x\ny", WaypointSearch::SourceExhausted, "y"},
        // An end tag right behind the start tag begins a line of its own, so it
        // is never the element's value.
        SearchCase{"<icaoregion></atcwaypoint></icaoregion>", WaypointSearch::Found, ""}));

}  // namespace
}  // namespace tarnwick
