#include "waypoint_section.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::JoinLines;

// Runs the section over `source` from its first line and gives the lines it wrote.
std::string Section(const std::string& source, const HeaderAirports& airports = {}) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules());
  std::stringbuf target;
  TargetWriter writer(target);
  WaypointSection(scanner, writer, airports);
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
// A name in the id and the ident in <ICAOIdent>, and no position: as later planners write the
// plan's airports, whose positions stand in the header.
const std::string kNamedAirport = JoinLines({
    R"(<ATCWaypoint id="Hamburg">)",
    "<ATCWaypointType>Airport</ATCWaypointType>",
    "<ICAO>",
    "<ICAORegion>ED</ICAORegion>",
    "<ICAOIdent>EDDH</ICAOIdent>",
    "</ICAO>",
    "</ATCWaypoint>",
});
const std::string kEnd = "</SimBase.Document>\r\n";

constexpr std::string_view kHamburgPosition = "N53* 37.82', E9* 59.33', +000053.00";
constexpr std::string_view kFrankfurtPosition = "N50*  1.99', E8* 34.25', +000364.00";
const HeaderAirports kAirports{{"EDDH", std::string(kHamburgPosition)},
                               {"EDDF", std::string(kFrankfurtPosition)}};

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

// The line of kNamedAirport, numbered `number`, at `position`.
std::string NamedAirportLine(std::string_view number, std::string_view identifier,
                             std::string_view position) {
  return "waypoint." + std::string(number) + "=, " + std::string(identifier) + ", , " +
         std::string(identifier) + ", A, " + std::string(position) + ",\r\n";
}

struct SectionCase {
  std::string name;
  std::string source;
  std::string lines;
  HeaderAirports airports = {};
};

class WaypointSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(WaypointSectionTest, WritesOneLinePerCompleteWaypoint) {
  EXPECT_EQ(Section(GetParam().source, GetParam().airports), GetParam().lines);
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
        SectionCase{
            "ElementWithoutIdentifierLineIsPassedOver",
            Replaced(kVor, "<ATCWaypoint id=\"ABC\">", "<ATCWaypoint name=\"ABC\">") + kUser + kEnd,
            Replaced(kUserLine, "waypoint.2=K1", "waypoint.0=")},
        // Identifiers: the ident FS9 looks a waypoint up by, wherever the id holds a name.
        SectionCase{"IdentAfterTheRegion", Replaced(kVor, "\"ABC\"", "\"0.Abc Name\"") + kEnd,
                    Replaced(kVorLine, "waypoint.1", "waypoint.0")},
        SectionCase{"FirstIdentBeforeTheRegion",
                    Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<ICAORegion>",
                             "<ICAOIdent>xyz</ICAOIdent>\r\n<ICAORegion>") +
                        kEnd,
                    "waypoint.0=K1, XYZ, , XYZ, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"IdentBeforeTheType",
                    Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<ATCWaypointType>",
                             "<ICAOIdent>XYZ</ICAOIdent>\r\n<ATCWaypointType>") +
                        kEnd,
                    "waypoint.0=K1, XYZ, , XYZ, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"EmptyFirstIdentKeepsTheId",
                    Replaced(Replaced(kVor, "\"ABC\"", "\"abd\""), "<ICAORegion>",
                             "<ICAOIdent></ICAOIdent>\r\n<ICAORegion>") +
                        kEnd,
                    "waypoint.0=K1, ABD, , ABD, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{
            "UserWaypointKeepsItsId",
            Replaced(kUser, "</atcwaypoint>", "<icaoident>C2MF0A00</icaoident>\r\n</atcwaypoint>") +
                kEnd,
            Replaced(kUserLine, "waypoint.2=K1", "waypoint.0=")},
        SectionCase{
            "UserWaypointWithoutIdTakesItsIdent",
            Replaced(Replaced(kUser, "<atcwaypoint id=\"wp1\">", "<atcwaypoint>"), "</atcwaypoint>",
                     "<icaoident>4032N077</icaoident>\r\n</atcwaypoint>") +
                kEnd,
            "waypoint.0=, 4032N077, , 4032N077, I, N47* 30.00', W122* 10.50', "
            "+000000.00,\r\n"},
        SectionCase{"ElementWithoutIdTakesItsIdent",
                    Replaced(kVor, "<ATCWaypoint id=\"ABC\">", "<ATCWaypoint>") + kUser + kEnd,
                    Replaced(kVorLine, "waypoint.1", "waypoint.0") +
                        Replaced(kUserLine, "waypoint.2", "waypoint.1")},
        SectionCase{"ElementWithoutIdOrIdent",
                    Replaced(kUser, "<atcwaypoint id=\"wp1\">", " <ATCWaypoint> ") + kEnd,
                    "waypoint.0=, , , , I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{
            "IdentOfADroppedElementStaysThere",
            Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<WorldPosition>", "<Position>") +
                kAirport + kEnd,
            kAirportLine},
        SectionCase{"ElementWithoutEndLineTakesNoIdentFromTheNext",
                    Replaced(Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""),
                                      "      <ICAOIdent>ABC</ICAOIdent>\r\n", ""),
                             "  </ATCWaypoint>\r\n", "") +
                        Replaced(kVor, "\"ABC\"", "\"Other\"") + kEnd,
                    "waypoint.0=K1, NAME, , NAME, V, N47* 26.13', W122* 18.58', +000000.00,\r\n" +
                        kVorLine},
        // Without region and end line, the region search runs on into the next element, which is
        // lost as before; its ident is not taken for this one.
        SectionCase{"ElementWithoutRegionAndEndLineTakesNoIdentFromTheNext",
                    Replaced(Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""),
                                      "    <ICAO>\r\n      <ICAORegion>K1</ICAORegion>\r\n"
                                      "      <ICAOIdent>ABC</ICAOIdent>\r\n    </ICAO>\r\n",
                                      ""),
                             "  </ATCWaypoint>\r\n", "") +
                        Replaced(kVor, "\"ABC\"", "\"Other\"") + kEnd,
                    "waypoint.0=K1, NAME, , NAME, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"BareStartWithoutEndLineKeepsItsNeighbour",
                    Replaced(kVor, "  </ATCWaypoint>\r\n", "") +
                        Replaced(kUser, "<atcwaypoint id=\"wp1\">", "<atcwaypoint>") + kEnd,
                    Replaced(kVorLine, "waypoint.1", "waypoint.0") +
                        "waypoint.1=K1, , , , I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{"IdentAfterDocumentEndIsNotTaken",
                    Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<ICAOIdent>",
                             "</SimBase.Document>\r\n<ICAOIdent>") +
                        kUser,
                    "waypoint.0=K1, NAME, , NAME, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        // References are decoded in the identifier, the region and a type the table lacks; a
        // type is looked up as it stands.
        SectionCase{
            "ReferencesInIdentAndRegion",
            Replaced(Replaced(kVor, "<ICAOIdent>ABC", "<ICAOIdent>A&amp;&#xF3;"), "<ICAORegion>K1",
                     "<ICAORegion>K&#49;&lt;"),
            "waypoint.0=K1<, A&\xD3, , A&\xD3, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"ReferencesInId", Replaced(kUser, "\"wp1\"", "\"wp&#x31;&quot;\"") + kEnd,
                    "waypoint.0=, WP1\", , WP1\", I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{"ReferencesInUnknownType", Replaced(kVor, ">VOR<", ">&#x46;ix&amp;<") + kEnd,
                    "waypoint.0=K1, ABC, , ABC, Fix&, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        SectionCase{"TypeLookedUpAsItStands", Replaced(kVor, ">VOR<", ">&#x76;or<") + kEnd,
                    "waypoint.0=K1, ABC, , ABC, vor, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
        // Airports placed from the header, by the identifier after the ident rule.
        SectionCase{"AirportPlacedAsDeparture", kVor + kNamedAirport + kUser + kEnd,
                    Replaced(kVorLine, "waypoint.1", "waypoint.0") +
                        NamedAirportLine("1", "EDDH", kHamburgPosition) +
                        Replaced(kUserLine, "waypoint.2=K1", "waypoint.2="),
                    kAirports},
        SectionCase{"AirportPlacedAsDestination",
                    Replaced(kNamedAirport, ">EDDH<", ">eddf<") + kEnd,
                    NamedAirportLine("0", "EDDF", kFrankfurtPosition), kAirports},
        SectionCase{
            "BothAirportsEqualDepartureFirst",
            kNamedAirport + kEnd,
            NamedAirportLine("0", "EDDH", kHamburgPosition),
            {{"EDDH", std::string(kHamburgPosition)}, {"EDDH", std::string(kFrankfurtPosition)}}},
        SectionCase{"DepartureWithoutCoordinateDestinationPlaces",
                    kNamedAirport + kEnd,
                    NamedAirportLine("0", "EDDH", kFrankfurtPosition),
                    {{"EDDH", std::nullopt}, {"EDDH", std::string(kFrankfurtPosition)}}},
        SectionCase{"NoHeaderAirportMatches",
                    kNamedAirport + kUser + kEnd,
                    Replaced(kUserLine, "waypoint.2=K1", "waypoint.0="),
                    {{"EDDF", std::string(kFrankfurtPosition)},
                     {"HAMBURG", std::string(kHamburgPosition)}}},
        SectionCase{"EmptyHeaderCoordinatePlacesNothing",
                    kNamedAirport + kEnd,
                    "",
                    {{"EDDH", std::nullopt}, {}}},
        SectionCase{
            "EmptyIdentifierIsNotPlaced",
            Replaced(Replaced(kNamedAirport, "<ATCWaypoint id=\"Hamburg\">", "<ATCWaypoint>"),
                     "EDDH", "") +
                kEnd,
            "",
            {{"", std::string(kHamburgPosition)}, {}}},
        SectionCase{"OnlyAirportsArePlaced", Replaced(kNamedAirport, ">Airport<", ">VOR<") + kEnd,
                    "", kAirports},
        SectionCase{"AirportPositionOfItsOwnIsKept",
                    kAirport + kEnd,
                    kAirportLine,
                    {{"KABC", std::string(kHamburgPosition)}, {}}},
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
  WaypointSection(scanner, writer, kAirports);
  EXPECT_EQ(target.str(), "");
}

struct SearchCase {
  std::string source;
  WaypointSearch outcome;
  std::string line;
  std::optional<std::string> ident = std::nullopt;  // the first ident's value, where one was seen
};

class FindWaypointElementTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindWaypointElementTest, EndsAtTheFirstOutcome) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(GetParam().source, std::ios::in),
                        Windows1252CaseRules());
  FirstIdent ident;
  EXPECT_EQ(FindWaypointElement(scanner, "<icaoregion>", ident), GetParam().outcome);
  EXPECT_EQ(scanner.Line(), GetParam().line);
  EXPECT_EQ(ident.seen ? std::optional(ident.value) : std::nullopt, GetParam().ident);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FindWaypointElementTest,
    ::testing::Values(
        SearchCase{"x\n<ICAORegion>K1</ICAORegion>\n", WaypointSearch::Found, "k1"},
        SearchCase{"</ATCWaypoint>\n<icaoregion>k1</icaoregion>\n", WaypointSearch::AtWaypointEnd,
                   "</atcwaypoint>"},
        SearchCase{" </simbase.document>\n", WaypointSearch::AtDocumentEnd, "</simbase.document>"},
        SearchCase{"x\ny", WaypointSearch::SourceExhausted, "y"},
        // An end tag right behind the start tag begins a line of its own, so it is never the
        // element's value.
        SearchCase{"<icaoregion></atcwaypoint></icaoregion>", WaypointSearch::Found, ""},
        // The lines passed over on the way are looked at for the first ident.
        SearchCase{"<ICAOIdent>Abc</ICAOIdent>\n<icaoident>d</icaoident>\n"
                   "<icaoregion>k1</icaoregion>\n",
                   WaypointSearch::Found, "k1", "abc"},
        SearchCase{"<icaoident></icaoident>\n<icaoident>d</icaoident>\n"
                   "</atcwaypoint>\n",
                   WaypointSearch::AtWaypointEnd, "</atcwaypoint>", ""},
        SearchCase{"x\n<icaoident>e</icaoident>", WaypointSearch::SourceExhausted, "e", "e"},
        // Neither the sought line nor an end line is an ident's.
        SearchCase{"<icaoregion>x<icaoident>y</icaoregion>\n", WaypointSearch::Found,
                   "x<icaoident>y", std::nullopt},
        SearchCase{"</simbase.document>\n<icaoident>d</icaoident>\n", WaypointSearch::AtDocumentEnd,
                   "</simbase.document>"}));

// Records what the section tells of each waypoint left out.
class LeftOutRecorder : public ConversionObserver {
 public:
  void WaypointLeftOut(const LeftOutWaypoint& waypoint) override {
    identifiers.push_back(waypoint.identifier);
  }
  std::vector<std::string> identifiers;
};

// A waypoint left out is named as its line would have named it: by its ident.
TEST(WaypointSectionTest, NamesAWaypointLeftOutByItsIdent) {
  const std::string noPosition =
      Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<WorldPosition>", "<Position>");
  const std::string noType = Replaced(
      Replaced(kUser, "<atcwaypointtype>user</atcwaypointtype>", "<icaoident>x1</icaoident>"),
      "<worldposition>", "<icaoident>x2</icaoident>\r\n<worldposition>");
  SourceScanner scanner(
      std::make_unique<std::stringbuf>(noPosition + noType + kNamedAirport + kEnd, std::ios::in),
      Windows1252CaseRules());
  std::stringbuf target;
  TargetWriter writer(target);
  LeftOutRecorder recorder;
  EXPECT_EQ(WaypointSection(scanner, writer, kAirports, &recorder), 1);
  EXPECT_EQ(recorder.identifiers, (std::vector<std::string>{"ABC", "X1"}));
}

}  // namespace
}  // namespace tarnwick
