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
        // An id without quotes is no attribute value.
        SectionCase{"UnquotedIdentifierIsNoId", Replaced(kUser, "\"wp1\"", "kabc") + kEnd,
                    "waypoint.0=, , , , I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{"IdentifierWithoutClosingBracket",
                    Replaced(kUser, "\"wp1\">", "\"wp1\"") + kEnd,
                    "waypoint.0=, , , , I, N47* 30.00', W122* 10.50', +000000.00,\r\n"},
        SectionCase{
            "EndLineWithMoreTextDoesNotEndTheElement",
            Replaced(kAirport, "<WorldPosition>", "</ATCWaypoint> -- \r\n<WorldPosition>") + kEnd,
            kAirportLine},
        // A start tag with other attributes only starts an element without an id.
        SectionCase{
            "StartTagWithoutIdAttribute",
            Replaced(kVor, "<ATCWaypoint id=\"ABC\">", "<ATCWaypoint name=\"ABC\">") + kUser + kEnd,
            Replaced(kVorLine, "waypoint.1", "waypoint.0") +
                Replaced(kUserLine, "waypoint.2", "waypoint.1")},
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
        // An element without region and end line ends where the next starts: neither loses.
        SectionCase{
            "ElementWithoutRegionAndEndLineTakesNoIdentFromTheNext",
            Replaced(Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""),
                              "    <ICAO>\r\n      <ICAORegion>K1</ICAORegion>\r\n"
                              "      <ICAOIdent>ABC</ICAOIdent>\r\n    </ICAO>\r\n",
                              ""),
                     "  </ATCWaypoint>\r\n", "") +
                Replaced(kVor, "\"ABC\"", "\"Other\"") + kEnd,
            "waypoint.0=, NAME, , NAME, V, N47* 26.13', W122* 18.58', +000000.00,\r\n" + kVorLine},
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
        // A comma would split FS9's fields.
        SectionCase{
            "CommaInIdAndRegion",
            Replaced(kUser, "\"wp1\"", "\"Lake, north\"") + Replaced(kVor, ">K1<", ">K,1<") + kEnd,
            "waypoint.0=, LAKE  NORTH, , LAKE  NORTH, I, N47* 30.00', W122* 10.50', "
            "+000000.00,\r\n"
            "waypoint.1=K 1, ABC, , ABC, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
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
        // Type and position make a waypoint, also when the file ends before its end line.
        SectionCase{"LastWaypointWithoutEndLine",
                    kAirport + kUser.substr(0, kUser.rfind("</atcwaypoint>")),
                    kAirportLine + Replaced(kUserLine, "waypoint.2=K1", "waypoint.1=")},
        SectionCase{"NoDocumentEnd", kAirport + kVor, kAirportLine + kVorLine},
        SectionCase{"RegionAfterDocumentEndIsNotSought",
                    Replaced(kVor, "<ICAO>", "</SimBase.Document>") + kUser,
                    "waypoint.0=, ABC, , ABC, V, N47* 26.13', W122* 18.58', +000000.00,\r\n"},
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

struct ElementCase {
  std::string lines;  // behind the element's start line
  ElementEnd end;
  std::optional<std::string> region = std::nullopt;  // each value where a line gave one
  std::optional<std::string> ident = std::nullopt;
  std::optional<std::string> type = std::nullopt;
};

class WaypointElementTest : public ::testing::TestWithParam<ElementCase> {};

TEST_P(WaypointElementTest, ReadsFieldsInAnyOrderUpToTheFirstEnd) {
  SourceScanner scanner(
      std::make_unique<std::stringbuf>("<ATCWaypoint id=\"x\">\n" + GetParam().lines, std::ios::in),
      Windows1252CaseRules());
  scanner.ReadNormalizedLine();
  WaypointElement element;
  element.Read(scanner);
  EXPECT_EQ(element.end, GetParam().end);
  const auto value = [](const ElementField& field) {
    return field.found ? std::optional(field.value) : std::nullopt;
  };
  EXPECT_EQ(value(element.region), GetParam().region);
  EXPECT_EQ(value(element.ident), GetParam().ident);
  EXPECT_EQ(value(element.type), GetParam().type);
  EXPECT_EQ(element.id, "x");
}

INSTANTIATE_TEST_SUITE_P(
    Elements, WaypointElementTest,
    ::testing::Values(
        ElementCase{"x\n<ICAORegion>K1</ICAORegion>\n", ElementEnd::SourceEnd, "k1"},
        ElementCase{"</ATCWaypoint>\n<icaoregion>k1</icaoregion>\n", ElementEnd::EndLine},
        ElementCase{" </simbase.document>\n", ElementEnd::DocumentEndLine},
        ElementCase{"x\ny", ElementEnd::SourceEnd},
        // An end tag right behind the start tag begins a line of its own, which ends the element.
        ElementCase{"<icaoregion></atcwaypoint></icaoregion>", ElementEnd::EndLine},
        // The first line of each field counts, whatever its value.
        ElementCase{"<ICAOIdent>Abc</ICAOIdent>\n<icaoident>d</icaoident>\n"
                    "<icaoregion>k1</icaoregion>\n",
                    ElementEnd::SourceEnd, "k1", "abc"},
        ElementCase{"<icaoident></icaoident>\n<icaoident>d</icaoident>\n"
                    "</atcwaypoint>\n",
                    ElementEnd::EndLine, std::nullopt, ""},
        ElementCase{"x\n<icaoident>e</icaoident>", ElementEnd::SourceEnd, std::nullopt, "e"},
        // A line gives one field, the first in the order type, position, region, ident.
        ElementCase{"<icaoregion>x<icaoident>y</icaoregion>\n", ElementEnd::SourceEnd,
                    "x<icaoident>y"},
        ElementCase{"</simbase.document>\n<icaoident>d</icaoident>\n", ElementEnd::DocumentEndLine},
        // Any order; a line without the end tag (a truncated file) gives nothing.
        ElementCase{"<ICAO><ICAORegion>K1</ICAORegion><ICAOIdent>ABC</ICAOIdent></ICAO>\n"
                    "<ATCWaypointType>VOR</ATCWaypointType>\n<WorldPosition>N47\n",
                    ElementEnd::SourceEnd, "k1", "abc", "vor"},
        ElementCase{
            "<atcwaypointtype>vor</atcwaypointtype>\n<ATCWaypoint>\n<icaoident>d</icaoident>\n",
            ElementEnd::NextStart, std::nullopt, std::nullopt, "vor"}));

// Records what the section tells of each waypoint left out.
class LeftOutRecorder : public ConversionObserver {
 public:
  void WaypointLeftOut(const LeftOutWaypoint& waypoint) override {
    identifiers.push_back(waypoint.identifier);
    losses.push_back(waypoint.loss);
  }
  std::vector<std::string> identifiers;
  std::vector<WaypointLoss> losses;
};

std::int64_t SectionTelling(const std::string& source, LeftOutRecorder& recorder) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules());
  std::stringbuf target;
  TargetWriter writer(target);
  return WaypointSection(scanner, writer, kAirports, &recorder);
}

// A waypoint left out is named as its line would have named it: by its ident, also right after
// a user waypoint, which keeps its id.
TEST(WaypointSectionTest, NamesAWaypointLeftOutByItsIdent) {
  const std::string noPosition =
      Replaced(Replaced(kVor, "\"ABC\"", "\"Name\""), "<WorldPosition>", "<Position>");
  const std::string noType = Replaced(
      Replaced(kUser, "<atcwaypointtype>user</atcwaypointtype>", "<icaoident>x1</icaoident>"),
      "<worldposition>", "<icaoident>x2</icaoident>\r\n<worldposition>");
  LeftOutRecorder recorder;
  EXPECT_EQ(SectionTelling(kUser + noPosition + noType + kNamedAirport + kEnd, recorder), 2);
  EXPECT_EQ(recorder.identifiers, (std::vector<std::string>{"ABC", "X1"}));
  EXPECT_EQ(recorder.losses, (std::vector{WaypointLoss::NoPosition, WaypointLoss::NoType}));
}

// An element without its end line is written when the next starts; a start line that ends the
// file is told.
TEST(WaypointSectionTest, TellsAStartLineThatEndsTheFile) {
  LeftOutRecorder recorder;
  EXPECT_EQ(SectionTelling(Replaced(kVor, "  </ATCWaypoint>\r\n", "") + "<ATCWaypoint id=\"Last\">",
                           recorder),
            1);
  EXPECT_EQ(recorder.identifiers, (std::vector<std::string>{"LAST"}));
  EXPECT_EQ(recorder.losses, (std::vector{WaypointLoss::PlanEnds}));
}

}  // namespace
}  // namespace tarnwick
