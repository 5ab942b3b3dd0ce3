#include "plan_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::Utf16;

constexpr std::string_view kDeparturePosition =
    "N50\xC2\xB0 1' 59.40\",E8\xC2\xB0 34' 14.80\",+000364.00";
constexpr std::string_view kDestinationPosition =
    "N48\xC2\xB0 21' 13.60\",E11\xC2\xB0 47' 10.80\",+001486.00";

std::string Element(std::string_view tag, std::string_view text) {
  return "    <" + std::string(tag) + ">" + std::string(text) + "</" + std::string(tag) + ">";
}

// The Frankfurt to Munich plan, header lines by name so that cases can drop or change one.
struct SourcePlan {
  std::vector<std::string> lines = {
      R"(<?xml version="1.0" encoding="UTF-8"?>)",
      R"(<SimBase.Document Type="AceXML" version="1,0">)",
      Element("Descr", "AceXML Document"),
      "    <FlightPlan.FlightPlan>",
      Element("Title", "EDDF to EDDM"),
      Element("FPType", "IFR"),
      Element("RouteType", "HighAlt"),
      Element("CruisingAlt", "29000"),
      Element("DepartureID", "EDDF"),
      Element("DepartureLLA", kDeparturePosition),
      Element("DestinationID", "EDDM"),
      Element("DestinationLLA", kDestinationPosition),
      Element("Descr", "EDDF, EDDM"),
      Element("DeparturePosition", "PARKING 5"),
      Element("DepartureName", "Frankfurt/Main"),
      Element("DestinationName", "Muenchen"),
      R"(        <ATCWaypoint id="KABC">)",
      "            <ATCWaypointType>Airport</ATCWaypointType>",
      "            <WorldPosition>N47\xC2\xB0 26' 56.40\",W122\xC2\xB0 18' "
      "42.60\",+000429.00</WorldPosition>",
      "        </ATCWaypoint>",
      R"(        <ATCWaypoint id="ABC">)",
      "            <ATCWaypointType>VOR</ATCWaypointType>",
      "            <WorldPosition>N47\xC2\xB0 26' 7.84\",W122\xC2\xB0 18' "
      "35.08\",+000000.00</WorldPosition>",
      "            <ICAO>",
      "                <ICAORegion>K1</ICAORegion>",
      "            </ICAO>",
      "        </ATCWaypoint>",
      R"(        <ATCWaypoint id="WP1">)",
      "            <ATCWaypointType>User</ATCWaypointType>",
      "            <WorldPosition>N47\xC2\xB0 30' 0.00\",W122\xC2\xB0 10' "
      "30.00\",+000000.00</WorldPosition>",
      "        </ATCWaypoint>",
      "    </FlightPlan.FlightPlan>",
      "</SimBase.Document>",
  };

  SourcePlan& Without(std::string_view fragment) {
    std::erase_if(
        lines, [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
    return *this;
  }
  SourcePlan& Replace(std::string_view fragment, std::string line) {
    for (std::string& each : lines) {
      if (each.find(fragment) != std::string::npos) each = line;
    }
    return *this;
  }
  std::string Bytes(std::string_view lineEnd = "\r\n") const {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + std::string(lineEnd);
    return bytes;
  }
};

const std::vector<std::string> kTargetLines = {
    "[flightplan]",
    "AppVersion=9.1.40901",
    "title=EDDF TO EDDM",
    "description=EDDF, EDDM",
    "type=IFR",
    "routetype=3",
    "cruising_altitude=29000",
    "departure_id=EDDF, N50*  1.99', E8* 34.25', +000364.00",
    "destination_id=EDDM, N48* 21.23', E11* 47.18', +001486.00",
    "departure_position=PARKING 5",
    "departure_name=FRANKFURT/MAIN",
    "destination_name=MUENCHEN",
    "waypoint.0=, KABC, , KABC, A, N47* 26.94', W122* 18.71', +000429.00,",
    "waypoint.1=K1, ABC, , ABC, V, N47* 26.13', W122* 18.58', +000000.00,",
    "waypoint.2=K1, WP1, , WP1, I, N47* 30.00', W122* 10.50', +000000.00,",
};

std::string TargetBytes(std::vector<std::string> lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

// kTargetLines with the line at `index` replaced, or removed when `line` is null.
std::string TargetWith(std::size_t index, const char* line) {
  std::vector<std::string> lines = kTargetLines;
  if (line == nullptr) {
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  } else {
    lines[index] = line;
  }
  return TargetBytes(lines);
}

// kTargetLines with each line at an index replaced, or removed when its text is null.
std::string TargetWith(std::vector<std::pair<std::size_t, const char*>> changes) {
  std::vector<std::string> lines = kTargetLines;
  std::sort(changes.begin(), changes.end(), [](auto a, auto b) { return a.first > b.first; });
  for (const auto& [index, line] : changes) {
    if (line == nullptr) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
      lines[index] = line;
    }
  }
  return TargetBytes(lines);
}

// TargetWith(changes) with KABC's line left out and the lines behind it numbered on from 0.
std::string TargetWithoutKabc(std::vector<std::pair<std::size_t, const char*>> changes = {}) {
  changes.insert(changes.end(),
                 {{12, "waypoint.0=K1, ABC, , ABC, V, N47* 26.13', W122* 18.58', +000000.00,"},
                  {13, "waypoint.1=K1, WP1, , WP1, I, N47* 30.00', W122* 10.50', +000000.00,"},
                  {14, nullptr}});
  return TargetWith(changes);
}

// KABC's element as later planners write the plan's airports: named, with the ident FS9 looks up
// in <ICAOIdent> and no position, which the header gives.
SourcePlan AirportWithoutPosition(std::string_view ident) {
  const std::string start = R"(<ATCWaypoint id="An airport">)";
  SourcePlan plan;
  plan.Without("+000429.00").Replace("id=\"KABC\"", start + "\n" + Element("ICAOIdent", ident));
  return plan;
}

struct Conversion {
  bool converted;
  std::string target;
};

Conversion Convert(const std::string& sourceBytes) {
  const std::optional<std::string> target = testing::ConvertInMemory(sourceBytes);
  return {target.has_value(), target.value_or("(not written)")};
}

TEST(ConvertFlightPlanTest, FrankfurtToMunichByteForByte) {
  const Conversion conversion = Convert(SourcePlan().Bytes());
  EXPECT_TRUE(conversion.converted);
  EXPECT_EQ(conversion.target, TargetBytes(kTargetLines));
}

// The same plan with other line ends, and saved as UTF-16 with its byte-order mark.
TEST(ConvertFlightPlanTest, LineEndsAndEncodingOfTheSourceDoNotMatter) {
  for (const std::string& source : {SourcePlan().Bytes("\n"), Utf16(SourcePlan().Bytes(), false),
                                    Utf16(SourcePlan().Bytes("\n"), true)}) {
    const Conversion conversion = Convert(source);
    EXPECT_TRUE(conversion.converted);
    EXPECT_EQ(conversion.target, TargetBytes(kTargetLines));
  }
}

struct HeaderCase {
  std::string name;
  SourcePlan source;
  std::string target;
};

class HeaderSectionTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderSectionTest, WritesEachHeaderLine) {
  const Conversion conversion = Convert(GetParam().source.Bytes());
  EXPECT_TRUE(conversion.converted);
  EXPECT_EQ(conversion.target, GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, HeaderSectionTest,
    ::testing::Values(HeaderCase{"RouteTypeMissing", SourcePlan().Without("RouteType"),
                                 TargetWith(5, "routetype=0")},
                      HeaderCase{"RouteTypeEmpty",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "")),
                                 TargetWith(5, "routetype=0")},
                      HeaderCase{"RouteTypeVor",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "vOr")),
                                 TargetWith(5, "routetype=1")},
                      HeaderCase{"RouteTypeLowAlt",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "LOWALT")),
                                 TargetWith(5, "routetype=2")},
                      HeaderCase{"RouteTypeDirect",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "DIRECT")),
                                 TargetWith(5, "routetype=0")},
                      HeaderCase{"RouteTypeOther",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "Airway")),
                                 TargetWith(5, "routetype=")},
                      HeaderCase{"RouteTypeDirectOnlyWhole",
                                 SourcePlan().Replace("RouteType", Element("RouteType", "Directs")),
                                 TargetWith(5, "routetype=")},
                      HeaderCase{"PositionMissing", SourcePlan().Without("DeparturePosition"),
                                 TargetWith(9, "departure_position=")},
                      HeaderCase{
                          "AltitudeKeepsLowerCase",
                          SourcePlan().Replace("CruisingAlt", Element("CruisingAlt", "FL290")),
                          TargetWith(6, "cruising_altitude=fl290")},
                      // References are decoded in one pass before the value is upper-cased.
                      HeaderCase{
                          "EntitiesDecoded",
                          SourcePlan().Replace("<Title>", Element("Title", "A &amp; b &amp;lt;")),
                          TargetWith(2, "title=A & B &LT;")},
                      HeaderCase{"ReferencesInTheDescription",
                                 SourcePlan().Replace("EDDF, EDDM",
                                                      Element("Descr", "EDDF &lt;&#X3E; EDDM")),
                                 TargetWith(3, "description=EDDF <> EDDM")},
                      HeaderCase{"ReferencesInTheType",
                                 SourcePlan().Replace("FPType", Element("FPType", "&#x49;fr")),
                                 TargetWith(4, "type=IFR")},
                      HeaderCase{
                          "AltitudeReferenceDecodedNotUpperCased",
                          SourcePlan().Replace("CruisingAlt", Element("CruisingAlt", "&#70;L290")),
                          TargetWith(6, "cruising_altitude=Fl290")},
                      HeaderCase{
                          "ReferencesInTheIdentifier",
                          SourcePlan().Replace("<DepartureID>",
                                               Element("DepartureID", "ED&#100;F")),
                          TargetWith(7, "departure_id=EDDF, N50*  1.99', E8* 34.25', +000364.00")},
                      // A comma would split FS9's fields.
                      HeaderCase{
                          "CommaInTheIdentifier",
                          SourcePlan().Replace("<DepartureID>", Element("DepartureID", "A,B")),
                          TargetWith(7, "departure_id=A B, N50*  1.99', E8* 34.25', +000364.00")},
                      HeaderCase{
                          "ReferencesInTheParking",
                          SourcePlan().Replace("DeparturePosition",
                                               Element("DeparturePosition", "&apos;2&quot;")),
                          TargetWith(9, "departure_position='2\"")},
                      HeaderCase{
                          "CharacterReferencesInTheNames",
                          SourcePlan()
                              .Replace("DepartureName",
                                       Element("DepartureName", "Aer&#XF3;dromo &#x141;&#10;"))
                              .Replace("DestinationName", Element("DestinationName",
                                                                  "Gda&#x144;sk &#x65E5;")),
                          [] {
                            std::vector<std::string> lines = kTargetLines;
                            lines[10] =
                                "departure_name=AER\xD3"
                                "DROMO L&#10;";
                            lines[11] = "destination_name=GDANSK ?";
                            return TargetBytes(lines);
                          }()},
                      // Far longer than the writer's first room for a line, which then grows, twice
                      // over.
                      HeaderCase{
                          "LongTitleKeptWhole",
                          SourcePlan().Replace("<Title>",
                                               Element("Title", std::string(3000, 'x') + "yz")),
                          TargetWith(2, ("title=" + std::string(3000, 'X') + "YZ").c_str())},
                      HeaderCase{"SpacesInsideTagsKept",
                                 SourcePlan().Replace("<Title>", "<Title> x </Title>"),
                                 TargetWith(2, "title= X ")},
                      HeaderCase{
                          "TextAfterEndTagLengthensValue",
                          SourcePlan().Replace("<DepartureID>",
                                               Element("DepartureID", "EDDF") + "x"),
                          TargetWith(7, "departure_id=EDDF<, N50*  1.99', E8* 34.25', +000364.00")},
                      HeaderCase{
                          "IdentifierMissing", SourcePlan().Without("<DepartureID>"),
                          TargetWith(7, "departure_id=, N50*  1.99', E8* 34.25', +000364.00")},
                      HeaderCase{"CoordinateMissing", SourcePlan().Without("<DestinationLLA>"),
                                 TargetWith(8, "destination_id=EDDM, *  0.00', *  0.00', ")},
                      HeaderCase{
                          "SignedDecimalDegrees",
                          SourcePlan().Replace(
                              "<DepartureLLA>",
                              Element("DepartureLLA", " 50.033167, 8.570778 ,+000364.00")),
                          TargetBytes(kTargetLines)},
                      // Airports placed from the header by the identifier written there.
                      HeaderCase{"AirportPlacedAsDeparture", AirportWithoutPosition("eddf"),
                                 TargetWith(12,
                                            "waypoint.0=, EDDF, , EDDF, A, N50*  1.99', E8* "
                                            "34.25', +000364.00,")},
                      HeaderCase{"AirportPlacedAsDestination", AirportWithoutPosition("EDDM"),
                                 TargetWith(12,
                                            "waypoint.0=, EDDM, , EDDM, A, N48* 21.23', E11* "
                                            "47.18', +001486.00,")},
                      HeaderCase{"AirportPlacedFromSignedDecimalDegrees",
                                 AirportWithoutPosition("EDDF").Replace(
                                     "<DepartureLLA>",
                                     Element("DepartureLLA", "50.033167,8.570778,+000364.00")),
                                 TargetWith(12,
                                            "waypoint.0=, EDDF, , EDDF, A, N50*  1.99', E8* "
                                            "34.25', +000364.00,")},
                      HeaderCase{
                          "BothAirportsEqual",
                          AirportWithoutPosition("EDDF").Replace("<DestinationID>",
                                                                 Element("DestinationID", "EDDF")),
                          TargetWith({{8,
                                       "destination_id=EDDF, N48* 21.23', E11* 47.18', +001486.00"},
                                      {12,
                                       "waypoint.0=, EDDF, , EDDF, A, N50*  1.99', E8* 34.25', "
                                       "+000364.00,"}})},
                      HeaderCase{"AirportNotInTheHeader", AirportWithoutPosition("EDDS"),
                                 TargetWithoutKabc()},
                      HeaderCase{
                          "AirportWithEmptyHeaderCoordinate",
                          AirportWithoutPosition("EDDF").Replace("<DepartureLLA>",
                                                                 Element("DepartureLLA", "")),
                          TargetWithoutKabc({{7, "departure_id=EDDF, *  0.00', *  0.00', "}})},
                      HeaderCase{
                          "AirportWithoutHeaderCoordinate",
                          AirportWithoutPosition("EDDM").Without("<DestinationLLA>"),
                          TargetWithoutKabc({{8, "destination_id=EDDM, *  0.00', *  0.00', "}})},
                      HeaderCase{"DescriptionBeforeTitleIsNotFound",
                                 SourcePlan()
                                     .Without("EDDF, EDDM")
                                     .Replace("<Title>",
                                              Element("Descr", "Before") + "\n" +
                                                  Element("Title", "EDDF to EDDM")),
                                 TargetWith(3, "description=")},
                      HeaderCase{"Windows1252LettersUpperCased",
                                 SourcePlan().Replace("DestinationName",
                                                      Element("DestinationName", "M\xFCnchen")),
                                 TargetWith(11, "destination_name=M\xDCNCHEN")},
                      // Without a title the search meets the end of the source; every other line is
                      // still found, the description behind the plan's start line, where the marker
                      // line never stands.
                      HeaderCase{"TitleMissing", SourcePlan().Without("<Title>"),
                                 TargetWith(2, "title=")},
                      HeaderCase{"TitleMissingDocumentDescrNotTaken",
                                 SourcePlan().Without("<Title>").Replace("AceXML Document",
                                                                         Element("Descr", "BPRL2")),
                                 TargetWith(2, "title=")},
                      HeaderCase{"TitleAndPlanStartMissing",
                                 SourcePlan().Without("<Title>").Without("<FlightPlan.FlightPlan>"),
                                 [] {
                                   std::vector<std::string> lines = kTargetLines;
                                   lines[2] = "title=";
                                   lines[3] = "description=";
                                   return TargetBytes(lines);
                                 }()},
                      HeaderCase{"NoWaypoints",
                                 SourcePlan()
                                     .Without("ATCWaypoint")
                                     .Without("WorldPosition")
                                     .Without("ICAO"),
                                 TargetBytes({kTargetLines.begin(), kTargetLines.begin() + 12})},
                      HeaderCase{"NoDocumentEnd", SourcePlan().Without("</SimBase.Document>"),
                                 TargetBytes(kTargetLines)},
                      // Later simulators leave the names out; the waypoints are all read all the
                      // same.
                      HeaderCase{"NamesMissing",
                                 SourcePlan().Without("DepartureName").Without("DestinationName"),
                                 [] {
                                   std::vector<std::string> lines = kTargetLines;
                                   lines[10] = "departure_name=";
                                   lines[11] = "destination_name=";
                                   return TargetBytes(lines);
                                 }()},
                      HeaderCase{"WaypointsBeforeTheLastHeaderElement",
                                 SourcePlan()
                                     .Without("DestinationName")
                                     .Replace("</FlightPlan.FlightPlan>",
                                              Element("DestinationName", "Muenchen") +
                                                  "\n</FlightPlan.FlightPlan>"),
                                 TargetBytes(kTargetLines)}),
    [](const auto& test) { return test.param.name; });

struct MarkerCase {
  std::string name;
  std::string markerLine;
  bool accepted;
};

class FormatMarkerTest : public ::testing::TestWithParam<MarkerCase> {};

// Without the plan's start tag the marker alone decides.
TEST_P(FormatMarkerTest, DecidesWhetherTheSourceIsAnFsxPlan) {
  const Conversion conversion = Convert(SourcePlan()
                                            .Without("<FlightPlan.FlightPlan>")
                                            .Replace("AceXML Document", GetParam().markerLine)
                                            .Bytes());
  if (GetParam().accepted) {
    EXPECT_TRUE(conversion.converted);
  } else {
    EXPECT_FALSE(conversion.converted);
    EXPECT_EQ(conversion.target, "(not written)");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Markers, FormatMarkerTest,
    ::testing::Values(
        MarkerCase{"AnyCase", "<DESCR>acexml DOCUMENT</descr>", true},
        MarkerCase{"IndentedAndTrailingSpace", "\t  <Descr>AceXML Document</Descr>  ", true},
        MarkerCase{"TextAround", "<a><Descr>AceXML Document</Descr><b>", true},
        MarkerCase{"TwoSpaces", "<Descr>AceXML  Document</Descr>", false},
        MarkerCase{"Tab", "<Descr>AceXML\tDocument</Descr>", false},
        // A value over lines is read joined with one space.
        MarkerCase{"SplitOverTwoLines", "<Descr>AceXML\nDocument</Descr>", true},
        MarkerCase{"InAComment", "<!-- <Descr>AceXML Document</Descr> -->", false},
        MarkerCase{"OnlyBeginsLikeTheMarker", "<Descr>AceXML Documentation</Descr>", false},
        MarkerCase{"AmongOtherElementsOnOneLine",
                   "<Type>x</Type><Descr>AceXML Document</Descr><Title>y</Title>", true},
        MarkerCase{"Missing", "", false}),
    [](const auto& test) { return test.param.name; });

struct FormatCase {
  std::string name;
  std::string source;
  bool accepted;
};

class FormatCheckTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatCheckTest, AcceptsPlansWithOrWithoutTheMarker) {
  EXPECT_EQ(Convert(GetParam().source).converted, GetParam().accepted);
}

const SourcePlan kWithoutMarker = SourcePlan().Without("AceXML Document");

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatCheckTest,
    ::testing::Values(
        FormatCase{"WithoutMarker", kWithoutMarker.Bytes(), true},
        FormatCase{"WithoutMarkerCrLineEnds", kWithoutMarker.Bytes("\r"), true},
        FormatCase{"WithoutMarkerOnOneLine", kWithoutMarker.Bytes(""), true},
        FormatCase{"WithoutMarkerAsUtf16", Utf16(kWithoutMarker.Bytes(), false), true},
        FormatCase{"DocumentWithoutPlan",
                   SourcePlan(kWithoutMarker).Without("<FlightPlan.FlightPlan>").Bytes(), false},
        FormatCase{"PlanWithoutDocument",
                   SourcePlan(kWithoutMarker).Without("<SimBase.Document").Bytes(), false},
        FormatCase{"PlanBeforeDocument", "<FlightPlan.FlightPlan>\n<SimBase.Document>\n", false},
        FormatCase{"BothOnOneLineWithTextBetween", "<SimBase.Document>x<FlightPlan.FlightPlan>\n",
                   false},
        FormatCase{"BothInComments",
                   "<!-- <SimBase.Document> -->\n<!-- <FlightPlan.FlightPlan> -->\n", false},
        FormatCase{"DocumentTagOfAnotherName", "<SimBase.Documents>\n<FlightPlan.FlightPlan>\n",
                   true},
        FormatCase{"PlanTagWithAttributes", "<SimBase.Document>\n<FlightPlan.FlightPlan x=\"1\">\n",
                   false},
        FormatCase{"Empty", "", false},
        FormatCase{"OtherXml", "<?xml version=\"1.0\"?>\n<gpx>\n<trk></trk>\n</gpx>\n", false}),
    [](const auto& test) { return test.param.name; });

TEST(ConvertFlightPlanTest, WithoutMarkerConvertsAsWithIt) {
  const Conversion conversion = Convert(kWithoutMarker.Bytes());
  EXPECT_EQ(conversion.target, TargetBytes(kTargetLines));
}

// The document's own Descr, before the title, is the marker; the plan's comes after it.
TEST(ConvertFlightPlanTest, TitleLineBeforeTheMarkerLine) {
  const Conversion conversion =
      Convert(SourcePlan()
                  .Without("<Title>")
                  .Replace("<SimBase.Document", Element("Title", "First") + "\n<SimBase.Document>")
                  .Bytes());
  EXPECT_TRUE(conversion.converted);
  EXPECT_EQ(conversion.target, [] {
    std::vector<std::string> lines = kTargetLines;
    lines[2] = "title=FIRST";
    lines[3] = "description=ACEXML DOCUMENT";
    return TargetBytes(lines);
  }());
}

TEST(ConvertFlightPlanTest, MarkerOnTheLastLineWithoutLineEnd) {
  EXPECT_TRUE(Convert("<x>\n<Descr>AceXML Document</Descr>").converted);
}

TEST(ConvertFlightPlanTest, Fs9PlanIsNotAnFsxPlan) {
  EXPECT_FALSE(Convert(TargetBytes(kTargetLines)).converted);
}

}  // namespace
}  // namespace tarnwick
