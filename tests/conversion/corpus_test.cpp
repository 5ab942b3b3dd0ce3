// Real plans written by simulators, planners and scripts: each converts into a well-formed FS9
// plan that says what its source says, read as XML.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "plan_conversion.h"
#include "test_files.h"
#include "windows1252_text.h"
#include "xml_reading.h"

namespace tarnwick {
namespace {

using testing::CorpusDir;
using testing::Fs9Text;
using testing::LetterCase;
using testing::ReadFile;
using testing::ReadXmlDocument;
using testing::XmlElement;

struct CorpusPlan {
  std::string file;
  bool fsxPlan;       // a SimBase.Document holding a FlightPlan.FlightPlan, with the marker or not
  int waypointLines;  // one per waypoint that FS9 can place
  // Fields that the line rules deliberately read otherwise than an XML reader, each with why.
  std::vector<std::string> unread = {};
};

void PrintTo(const CorpusPlan& plan, std::ostream* os) { *os << plan.file; }

const std::vector<CorpusPlan> kCorpus = {
    {"001-lnm-tutorial-ifr-eghj-egpc.pln", true, 24},
    {"002-lnm-tutorial-vfr-lflp-lfle.pln", true, 7},
    {"003-plang-lejr-lejr-vfr-circuit.pln", true, 13},
    {"004-msfs-ksea-cyyj.pln", true, 6},
    {"005-msfs-bibl-bims-shortalt.pln", true, 7},
    {"006-msfs-zbaa-wp8-user-dest.pln", true, 9},
    {"007-fri-egaa-egkk-tabs.pln", true, 10},
    {"008-fri-egpf-egss-2space.pln", true, 15},
    {"009-fri-lfpo-fmee-long.pln", true, 74},
    // "Nhh°": the latitude's degrees are letters, which no reading of the source can place.
    {"010-fri-kvny-kbur-corrupt-lat.pln", true, 4, {"destination_id position"}},
    {"011-fri-sbkp-sbpp-south.pln", true, 15},
    {"012-hudbar-lszh-lsgg-lnm3.pln", true, 19},
    {"013-aerofly-keyw-khwo-fsx.pln", true, 10},
    {"014-aerofly-keyw-khwo-msfs2024.pln", true, 8},
    {"015-aerofly-simbrief-keyw-kmia.pln", true, 11},
    {"016-aerofly-simbrief-ekrk-eglc-msfs2024.pln", true, 0},
    {"017-aerofly-enhd-local-comments.pln", true, 9},
    {"018-aerofly-egov-numbered-ids.pln", true, 16},
    {"019-pyfp-egov-egxe-lnm.pln", true, 9},
    {"020-stratomarco-sbgw-sbct-decmin.pln", true, 2},
    {"021-pms50-lnm-french.pln", true, 5},
    {"022-pms50-lflx-lflc-latin1.pln", true, 5},
    {"023-pms50-lfrc-lfrk-latin1-60sec.pln", true, 4},
    {"024-pms50-lfrk-lfrn-msfs.pln", true, 7},
    {"025-pms50-lfrk-lfrn-ndb.pln", true, 7},
    {"026-fjc-fykt-fysm-asterisk.pln", true, 4},
    {"027-fjc-fawb-faup-oneline-icao.pln", true, 7},
    {"028-fjc-facb-fabl-two-points.pln", true, 2},
    // No title: the description is still the plan's own, not the document's Descr before it.
    {"029-atoolstest-cypr-pawg-decimal.pln", true, 28},
    {"030-atoolstest-msfs2020-eddh-eddf.pln", true, 25},
    {"031-atoolstest-msfs2024-no-waypoints.pln", true, 0},
    {"032-atoolstest-msfs2024-visual-pattern.pln", true, 0},
    {"033-atoolstest-ksea-kfll-long.pln", true, 121},
    {"034-atoolstest-ut02-6t4-user.pln", true, 12},
    {"035-plansync-simbrief-egkk-ekvg.pln", true, 38},
    {"036-skyvector-p34-n68-list.pln", true, 5},
    {"037-skyvector-p34-n68-msfs2024.pln", true, 3},
    {"038-andalusia-bushtrip-charrefs.pln", true, 57},
    {"039-andalusia-leme-lepe-charrefs.pln", true, 8},
    {"040-andalusia-leam-legg-utf8-names.pln", true, 11},
    {"041-andalusia-leax-no-destination.pln", true, 38},
    {"042-pcj-fsx-klax-ksfo.pln", true, 4},
    {"043-pcj-fsx-efva-essa-airways.pln", true, 12},
    {"044-pcj-fsx-u60-i99d-gps-direct.pln", true, 2},
    {"045-pcj-gclp-kdtw-cp1252.pln", true, 21},
    {"046-pcj-fsbuild-llbg-lgav-cp1252.pln", true, 18},
    {"047-pcj-zycc-uhss-build60905.pln", true, 2},
    {"048-pcj-pasi-cycp-nobom.pln", true, 5},
    // A parking position that is only a line end, which no FS9 line can hold: written empty.
    {"049-pcj-kjfk-lfbo-commadec-lf.pln", true, 20, {"departure_position"}},
};

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("(unterminated) " + bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A place in minutes of arc north and east.
struct Place {
  double north;
  double east;
};

// "n47° 26' 56.40"", "s22° 47.50'", "e1°43' 16"" (the sign as an asterisk or none), decimal
// degrees "n70.743103", or signed decimal degrees "-130.444678": minutes of arc, negative to the
// south and west.
std::optional<double> CoordinateMinutes(const std::u32string& coordinate) {
  const std::string text = Fs9Text(coordinate, LetterCase::Lower);
  static const std::regex form(
      R"(\s*([nsew]|[+-]?)\s*(\d+(?:\.\d+)?)\s*(?:\xB0|\*)?\s*(?:(\d+(?:\.\d+)?)\s*')?)"
      R"(\s*(?:(\d+(?:\.\d+)?)\s*")?\s*)");
  std::smatch match;
  if (!std::regex_match(text, match, form)) return std::nullopt;
  const auto number = [&](std::size_t group) {
    return match[group].matched ? std::stod(match[group]) : 0;
  };
  const double minutes = number(2) * 60 + number(3) + number(4) / 60;
  return match[1] == "s" || match[1] == "w" || match[1] == "-" ? -minutes : minutes;
}

// The place of a source position, "latitude,longitude,altitude".
std::optional<Place> SourcePlace(const std::u32string& position) {
  const std::size_t comma = position.find(U',');
  const std::size_t second = position.find(U',', comma + 1);
  if (comma == std::u32string::npos) return std::nullopt;
  const auto north = CoordinateMinutes(position.substr(0, comma));
  const auto east = CoordinateMinutes(position.substr(comma + 1, second - comma - 1));
  if (!north || !east) return std::nullopt;
  return Place{*north, *east};
}

// The place that an FS9 position text, "N47* 26.94', W122* 18.71', +000429.00", gives.
std::optional<Place> TargetPlace(const std::string& position) {
  static const std::regex form(R"(([NSEW])(\d+)\* +(-?[\d.]+)', ([NSEW])(\d+)\* +(-?[\d.]+)', .*)");
  std::smatch match;
  if (!std::regex_match(position, match, form)) return std::nullopt;
  const auto minutes = [&](std::size_t group) {
    const double value = std::stod(match[group + 1]) * 60 + std::stod(match[group + 2]);
    return match[group] == "S" || match[group] == "W" ? -value : value;
  };
  return Place{minutes(1), minutes(4)};
}

void ExpectNear(const std::optional<Place>& written, const Place& expected,
                const std::string& line) {
  constexpr double kRounding = 0.005 + 1e-9;  // minutes: the target's two decimals
  ASSERT_TRUE(written) << line;
  EXPECT_NEAR(written->north, expected.north, kRounding) << line;
  EXPECT_NEAR(written->east, expected.east, kRounding) << line;
}

// What the plan means, read from its source as XML: the text of each FS9 value in Windows-1252,
// and the waypoints that FS9 can place.
struct ExpectedWaypoint {
  std::string name;  // the identifier as the source writes it, for messages and `unread`
  // None where the line rules cannot read it: a value across lines, of which they read the first.
  std::optional<std::string> region;
  std::string identifier;
  std::string typeLetter;
  std::optional<std::u32string> position;  // none for an airport placed from the header
  bool placedAtDeparture = false;          // else at the destination, when placed from the header
};

struct ExpectedPlan {
  std::vector<std::pair<std::string, std::string>> header;  // key, value
  std::u32string departurePosition;
  std::u32string destinationPosition;
  std::vector<ExpectedWaypoint> waypoints;
};

std::u32string ChildText(const XmlElement& element, std::u32string_view name) {
  const XmlElement* child = element.Child(name);
  return child != nullptr ? child->text : std::u32string();
}

std::string Upper(const std::u32string& text) { return Fs9Text(text, LetterCase::Upper); }

std::string RouteTypeDigit(const XmlElement& plan) {
  const std::string routeType = Fs9Text(ChildText(plan, U"RouteType"), LetterCase::Lower);
  if (routeType.empty() || routeType == "direct") return "0";
  if (routeType == "vor") return "1";
  if (routeType == "lowalt") return "2";
  if (routeType == "highalt") return "3";
  return "";
}

// The type is a name from a fixed list, read without the white space around it (as XML schemas
// read such a value): "VOR" and a line end is a VOR.
std::string TypeLetter(const std::u32string& type) {
  const std::size_t first = type.find_first_not_of(U" \t\r\n");
  const std::u32string name =
      first == std::u32string::npos
          ? std::u32string()
          : type.substr(first, type.find_last_not_of(U" \t\r\n") + 1 - first);
  const std::string lower = Fs9Text(name, LetterCase::Lower);
  if (lower == "airport") return "A";
  if (lower == "vor") return "V";
  if (lower == "ndb") return "N";
  if (lower == "user" || lower == "intersection") return "I";
  return lower;  // any other type is written as the line rules read it, in lower case
}

// Waypoints stand in the plan or, in some planners' plans, in its ATCWaypointList.
std::vector<const XmlElement*> WaypointElements(const XmlElement& plan) {
  std::vector<const XmlElement*> waypoints;
  for (const XmlElement& child : plan.children) {
    if (child.name == U"ATCWaypoint") waypoints.push_back(&child);
    if (child.name != U"ATCWaypointList") continue;
    for (const XmlElement& listed : child.children) {
      if (listed.name == U"ATCWaypoint") waypoints.push_back(&listed);
    }
  }
  return waypoints;
}

ExpectedPlan ReadExpectedPlan(const XmlElement& plan) {
  ExpectedPlan expected;
  const std::string departureId = Upper(ChildText(plan, U"DepartureID"));
  const std::string destinationId = Upper(ChildText(plan, U"DestinationID"));
  expected.departurePosition = ChildText(plan, U"DepartureLLA");
  expected.destinationPosition = ChildText(plan, U"DestinationLLA");
  expected.header = {
      {"title", Upper(ChildText(plan, U"Title"))},
      {"description", Upper(ChildText(plan, U"Descr"))},
      {"type", Upper(ChildText(plan, U"FPType"))},
      {"routetype", RouteTypeDigit(plan)},
      {"cruising_altitude", Fs9Text(ChildText(plan, U"CruisingAlt"), LetterCase::Lower)},
      {"departure_id", departureId},
      {"destination_id", destinationId},
      {"departure_position", Upper(ChildText(plan, U"DeparturePosition"))},
      {"departure_name", Upper(ChildText(plan, U"DepartureName"))},
      {"destination_name", Upper(ChildText(plan, U"DestinationName"))}};
  std::optional<std::string> carriedRegion = "";
  for (const XmlElement* element : WaypointElements(plan)) {
    const XmlElement* type = element->Child(U"ATCWaypointType");
    const XmlElement* position = element->Child(U"WorldPosition");
    const XmlElement* icao = element->Child(U"ICAO");
    const std::u32string id = element->Attribute(U"id").value_or(U"");
    const std::u32string ident = icao != nullptr ? ChildText(*icao, U"ICAOIdent") : U"";
    ExpectedWaypoint waypoint;
    waypoint.name = Upper(id.empty() ? ident : id);
    if (type == nullptr) continue;
    // FS9 looks a waypoint up by its ident; a user waypoint's name is the user's own.
    const bool userNamed = Fs9Text(type->text, LetterCase::Lower) == "user" && !id.empty();
    waypoint.identifier = Upper(userNamed || ident.empty() ? id : ident);
    waypoint.typeLetter = TypeLetter(type->text);
    if (position != nullptr) {
      waypoint.position = position->text;
    } else {
      // An airport without a position of its own stands where the header puts it.
      if (waypoint.typeLetter != "A" || waypoint.identifier.empty()) continue;
      if (waypoint.identifier == departureId && !expected.departurePosition.empty()) {
        waypoint.placedAtDeparture = true;
      } else if (waypoint.identifier != destinationId || expected.destinationPosition.empty()) {
        continue;
      }
    }
    const XmlElement* region = icao != nullptr ? icao->Child(U"ICAORegion") : nullptr;
    if (region != nullptr) {
      carriedRegion = Upper(region->text);
      if (region->text.find(U'\n') != std::u32string::npos) carriedRegion = std::nullopt;
    }
    // An airport carries no region, and hands none on.
    if (waypoint.typeLetter == "A") carriedRegion = "";
    waypoint.region = carriedRegion;
    expected.waypoints.push_back(std::move(waypoint));
  }
  return expected;
}

bool IsPlanAsXml(const XmlElement& root) {
  return root.name == U"SimBase.Document" && root.Child(U"FlightPlan.FlightPlan") != nullptr;
}

// Reads a line field by field: each expected text must follow the one before.
class LineFields {
 public:
  explicit LineFields(std::string line) : line_(std::move(line)) {}

  // False, with a failure naming the field, when the line does not go on with `expected`.
  bool Take(std::string_view expected, std::string_view field) {
    if (!std::string_view(line_).substr(at_).starts_with(expected)) {
      ADD_FAILURE() << field << ": expected \"" << expected << "\" at \"" << Rest() << "\" in "
                    << line_;
      return false;
    }
    at_ += expected.size();
    return true;
  }
  // Passes over a field left unchecked: whatever stands before the next ", ", and that.
  void Skip() { at_ = std::min(line_.find(", ", at_) + 2, line_.size()); }
  std::string Rest() const { return line_.substr(at_); }

 private:
  std::string line_;
  std::size_t at_ = 0;
};

std::string GoldenFile(const std::string& plan) {
  return std::string(TARNWICK_GOLDEN_DIR) + "/FS9_" + plan;
}

bool Unread(const CorpusPlan& plan, const std::string& field) {
  return std::find(plan.unread.begin(), plan.unread.end(), field) != plan.unread.end();
}

// The header's values: each line holds its source's value. Gives the position texts of the two
// airport lines, by which airports without a position of their own are placed.
std::pair<std::string, std::string> ExpectHeaderMeaning(const CorpusPlan& plan,
                                                        const ExpectedPlan& expected,
                                                        const std::vector<std::string>& lines) {
  std::map<std::string, std::string> positions;
  for (const auto& field : expected.header) {
    // Named apart, not bound: clang 14 lets no lambda capture a structured binding.
    const std::string& key = field.first;
    const std::string& value = field.second;
    const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& written) {
      return written.starts_with(key + "=");
    });
    if (line == lines.end() || Unread(plan, key)) continue;
    LineFields fields(*line);
    fields.Take(key + "=", key);
    if (key != "departure_id" && key != "destination_id") {
      EXPECT_EQ(fields.Rest(), value) << *line;
      continue;
    }
    if (!fields.Take(value + ", ", key)) continue;
    positions[key] = fields.Rest();
    const std::u32string& source =
        key == "departure_id" ? expected.departurePosition : expected.destinationPosition;
    if (source.empty() || Unread(plan, key + " position")) continue;
    const std::optional<Place> place = SourcePlace(source);
    EXPECT_TRUE(place) << "position not read by the test: " << Upper(source);
    if (place) ExpectNear(TargetPlace(fields.Rest()), *place, *line);
  }
  return {positions["departure_id"], positions["destination_id"]};
}

void ExpectWaypointMeaning(const CorpusPlan& plan, const ExpectedWaypoint& expected,
                           const std::pair<std::string, std::string>& headerPositions,
                           const std::string& line, std::size_t number) {
  LineFields fields(line);
  if (!fields.Take("waypoint." + std::to_string(number) + "=", "number")) return;
  // Each field with the ", " behind it, so that a field cannot pass as the beginning of another.
  if (!expected.region) {
    fields.Skip();
  } else if (!fields.Take(*expected.region + ", ", expected.name + " region")) {
    return;
  }
  if (!fields.Take(expected.identifier + ", , " + expected.identifier + ", ",
                   expected.name + " identifier")) {
    return;
  }
  if (Unread(plan, expected.name + " type")) {
    fields.Skip();
  } else if (!fields.Take(expected.typeLetter + ", ", expected.name + " type")) {
    return;
  }
  if (!expected.position) {
    const std::string& header =
        expected.placedAtDeparture ? headerPositions.first : headerPositions.second;
    EXPECT_EQ(fields.Rest(), header + ",") << expected.name << " placed from the header: " << line;
    return;
  }
  const std::optional<Place> place = SourcePlace(*expected.position);
  ASSERT_TRUE(place) << "position not read by the test: " << Upper(*expected.position);
  ExpectNear(TargetPlace(fields.Rest()), *place, line);
}

class CorpusTest : public ::testing::TestWithParam<CorpusPlan> {};

TEST_P(CorpusTest, ConvertsFsxPlansAndRefusesOthers) {
  const CorpusPlan& plan = GetParam();
  const std::string before = ReadFile((CorpusDir() / "fsx" / plan.file).string());
  const XmlElement root = ReadXmlDocument(before);
  EXPECT_EQ(IsPlanAsXml(root), plan.fsxPlan);
  const std::optional<std::string> target = testing::ConvertInMemory(before);
  ASSERT_EQ(target.has_value(), plan.fsxPlan);
  if (!target) return;
  // Every byte, as checked in (scripts/make-golden writes them anew after a deliberate change).
  if (std::filesystem::exists(GoldenFile(plan.file))) {
    EXPECT_TRUE(*target == ReadFile(GoldenFile(plan.file))) << "differs from its golden file";
  } else {
    ADD_FAILURE() << "no golden file";
  }
  const std::vector<std::string> lines = Lines(*target);
  const std::vector<std::string> keys = {"[flightplan]",
                                         "AppVersion=9.1.40901",
                                         "title=",
                                         "description=",
                                         "type=",
                                         "routetype=",
                                         "cruising_altitude=",
                                         "departure_id=",
                                         "destination_id=",
                                         "departure_position=",
                                         "departure_name=",
                                         "destination_name="};
  ASSERT_GE(lines.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(lines[i].rfind(keys[i], 0), 0u) << lines[i];
  }
  EXPECT_EQ(lines[0], "[flightplan]");
  EXPECT_EQ(lines[1], "AppVersion=9.1.40901");
  const std::regex waypoint(R"(waypoint\.(\d+)=[^,]*, [^,]*, , [^,]*, [^,]*, .*,)");
  for (std::size_t i = keys.size(); i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, waypoint)) << lines[i];
    EXPECT_EQ(match[1], std::to_string(i - keys.size()));
  }
  // Meaning, not just form: each value as its source says it, read as XML; every waypoint that
  // FS9 can place has its line, with the ident FS9 looks up, its region and its place.
  const ExpectedPlan expected = ReadExpectedPlan(*root.Child(U"FlightPlan.FlightPlan"));
  const auto headerPositions = ExpectHeaderMeaning(plan, expected, lines);
  EXPECT_EQ(expected.waypoints.size(), static_cast<std::size_t>(plan.waypointLines))
      << "the table's count differs from the source read as XML";
  ASSERT_EQ(lines.size() - keys.size(), expected.waypoints.size());
  for (std::size_t i = 0; i < expected.waypoints.size(); ++i) {
    ExpectWaypointMeaning(plan, expected.waypoints[i], headerPositions, lines[keys.size() + i], i);
  }
}

INSTANTIATE_TEST_SUITE_P(Plans, CorpusTest, ::testing::ValuesIn(kCorpus), [](const auto& test) {
  std::string name = test.param.file.substr(0, 3);
  return "Plan" + name;
});

TEST(CorpusTableTest, NamesEveryPlanOfTheCorpus) {
  std::set<std::string> onDisk;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir() / "fsx")) {
    onDisk.insert(entry.path().filename().string());
  }
  std::set<std::string> inTable;
  std::set<std::string> golden;
  for (const CorpusPlan& plan : kCorpus) {
    inTable.insert(plan.file);
    if (plan.fsxPlan) golden.insert("FS9_" + plan.file);
  }
  EXPECT_EQ(onDisk, inTable);
  std::set<std::string> goldenOnDisk;
  for (const auto& entry : std::filesystem::directory_iterator(TARNWICK_GOLDEN_DIR)) {
    goldenOnDisk.insert(entry.path().filename().string());
  }
  EXPECT_EQ(goldenOnDisk, golden);
}

// The same plans written other ways that XML allows: each converts as its usual layout does.

struct SourceLine {
  std::string text;
  std::string end;  // "\r\n", "\n", "\r", or none on the last line
  std::string Indent() const { return text.substr(0, text.find_first_not_of(" \t")); }
  std::string EndOrLf() const { return end.empty() ? "\n" : end; }
  bool Holds(std::string_view part) const { return text.find(part) != std::string::npos; }
};

std::vector<SourceLine> SourceLines(const std::string& bytes) {
  static const std::regex form("([^\r\n]*)(\r\n|\r|\n)|[^\r\n]+$");
  std::vector<SourceLine> lines;
  for (auto line = std::sregex_iterator(bytes.begin(), bytes.end(), form);
       line != std::sregex_iterator(); ++line) {
    lines.push_back({(*line)[2].matched ? (*line)[1] : (*line)[0], (*line)[2]});
  }
  return lines;
}

std::string Joined(const std::vector<SourceLine>& lines) {
  std::string bytes;
  for (const SourceLine& line : lines) bytes += line.text + line.end;
  return bytes;
}

// `text` with every match of `form` replaced by what `by` makes of it.
std::string ReplaceEach(const std::string& text, const std::regex& form,
                        const std::function<std::string(const std::smatch&)>& by) {
  std::string result;
  std::size_t copied = 0;
  for (auto match = std::sregex_iterator(text.begin(), text.end(), form);
       match != std::sregex_iterator(); ++match) {
    const auto at = static_cast<std::size_t>(match->position());
    result += text.substr(copied, at - copied) + by(*match);
    copied = at + static_cast<std::size_t>(match->length());
  }
  return result + text.substr(copied);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

bool StartsWaypoint(const std::string& text) {
  static const std::regex start(R"(<ATCWaypoint[\s>])");
  return std::regex_search(text, start);
}

const std::regex kTextValue(R"(<(Title|Descr)>([^<]*)</\1>)");

std::string WhiteSpaceInTags(const std::string& source) {
  static const std::regex tag(
      "<(/?)(Title|Descr|FPType|RouteType|CruisingAlt|DepartureID|DepartureLLA|DestinationID|"
      "DestinationLLA|DepartureName|DestinationName|DeparturePosition|ATCWaypointType|"
      "WorldPosition|ICAORegion|ICAOIdent)>");
  static const std::regex start(R"re(<ATCWaypoint id="([^"]*)">)re");
  return std::regex_replace(std::regex_replace(source, tag, "<$1$2 >"), start,
                            R"(<ATCWaypoint  id = "$1" >)");
}

// Every other waypoint's id on the line after its tag's name; the others quoted with ' behind
// another attribute.
std::string IdOnNextLine(const std::string& source) {
  static const std::regex start(R"re(<ATCWaypoint id="([^"]*)">)re");
  std::vector<SourceLine> lines = SourceLines(source);
  int count = 0;
  for (SourceLine& line : lines) {
    line.text = ReplaceEach(line.text, start, [&](const std::smatch& match) {
      const std::string id = match[1];
      if (count++ % 2 == 1 && id.find('\'') == std::string::npos) {
        return "<ATCWaypoint type=\"x\" id='" + id + "'>";
      }
      return "<ATCWaypoint" + line.EndOrLf() + line.Indent() + "  id=\"" + id + "\">";
    });
  }
  return Joined(lines);
}

// A title and every waypoint element commented out before the real ones, and a comment behind
// every value.
std::string Comments(const std::string& source) {
  static const std::regex valueLine(R"([ \t]*<([A-Za-z][^\s/<>]*)>[^<>]*</\1>[ \t]*)");
  static const std::regex comment("<!--.*?-->");
  const std::vector<SourceLine> lines = SourceLines(source);
  std::vector<SourceLine> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const SourceLine& line = lines[i];
    if (line.Holds("<Title>")) {
      out.push_back({line.Indent() + "<!-- <Title>Not this</Title> -->", line.EndOrLf()});
    }
    if (StartsWaypoint(line.text)) {
      std::vector<SourceLine> copy;
      for (std::size_t k = i; k < lines.size(); ++k) {
        copy.push_back({std::regex_replace(lines[k].text, comment, ""), lines[k].EndOrLf()});
        if (lines[k].Holds("</ATCWaypoint>")) break;
      }
      copy[0].text = ReplaceAll(ReplaceAll(copy[0].text, "<ATCWaypoint>", "<ATCWaypoint id=\"\">"),
                                "<ATCWaypoint id=\"", "<ATCWaypoint id=\"Old");
      // Two dashes would end the comment early.
      if (Joined(copy).find("--") == std::string::npos) {
        out.push_back({line.Indent() + "<!--", line.EndOrLf()});
        out.insert(out.end(), copy.begin(), copy.end());
        out.push_back({line.Indent() + "-->", line.EndOrLf()});
      }
    }
    out.push_back(line);
    if (std::regex_match(line.text, valueLine)) out.back().text += " <!-- note -->";
  }
  return Joined(out);
}

// Each waypoint type's end tag on a line of its own; each title and description split over two
// lines at its first single space, which the reading joins again with one.
std::string ValuesOverLines(const std::string& source) {
  static const std::regex type("<ATCWaypointType>([^<]*)</ATCWaypointType>");
  static const std::regex single(R"(\S \S)");
  std::vector<SourceLine> lines = SourceLines(source);
  for (SourceLine& line : lines) {
    const std::string next = line.EndOrLf() + line.Indent();
    line.text = ReplaceEach(line.text, type, [&](const std::smatch& match) {
      return "<ATCWaypointType>" + match[1].str() + next + "</ATCWaypointType>";
    });
    line.text = ReplaceEach(line.text, kTextValue, [&](const std::smatch& match) {
      const std::string value = match[2];
      std::smatch space;
      if (!std::regex_search(value, space, single)) return match.str();
      const auto at = static_cast<std::size_t>(space.position()) + 1;
      return "<" + match[1].str() + ">" + value.substr(0, at) + next + "  " + value.substr(at + 1) +
             "</" + match[1].str() + ">";
    });
  }
  return Joined(lines);
}

// The ICAO block of each waypoint element moved before its type.
std::string FieldOrder(const std::string& source) {
  std::vector<SourceLine> lines = SourceLines(source);
  std::optional<std::size_t> type;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (StartsWaypoint(lines[i].text) || lines[i].Holds("</ATCWaypoint>")) type.reset();
    if (lines[i].Holds("<ATCWaypointType>")) type = i;
    if (!type || !lines[i].Holds("<ICAO>")) continue;
    std::size_t last = i;
    while (last + 1 < lines.size() && !lines[last].Holds("</ICAO>")) ++last;
    const auto begin = lines.begin() + static_cast<std::ptrdiff_t>(*type);
    std::rotate(begin, lines.begin() + static_cast<std::ptrdiff_t>(i),
                lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    i = last;
    type.reset();
  }
  return Joined(lines);
}

// Not XML: each waypoint element but the last ends where the next starts.
std::string NoEndLines(const std::string& source) {
  static const std::regex endLine(R"([ \t]*</ATCWaypoint>[ \t]*)");
  const std::vector<SourceLine> lines = SourceLines(source);
  const auto isEnd = [](const SourceLine& line) { return std::regex_match(line.text, endLine); };
  auto left = std::count_if(lines.begin(), lines.end(), isEnd);
  std::vector<SourceLine> kept;
  for (const SourceLine& line : lines) {
    if (!isEnd(line) || --left == 0) kept.push_back(line);
  }
  return Joined(kept);
}

std::string PositionReferences(const std::string& source) {
  // The degree sign is two bytes in UTF-8, where some character takes more than one byte.
  const std::string lf = ReplaceAll(source, "\r\n", "\n");
  const bool utf8 = testing::DecodeXmlText(lf).size() < lf.size();
  static const std::regex position(R"(<(WorldPosition|DepartureLLA|DestinationLLA)>([^<]*)</\1>)");
  return ReplaceEach(source, position, [&](const std::smatch& match) {
    std::string value = ReplaceAll(ReplaceAll(match[2], "'", "&apos;"), "\"", "&quot;");
    value = ReplaceAll(value, utf8 ? "\xC2\xB0" : "\xB0", "&#176;");
    return "<" + match[1].str() + ">" + value + "</" + match[1].str() + ">";
  });
}

std::string Cdata(const std::string& source) {
  return ReplaceEach(source, kTextValue, [](const std::smatch& match) {
    std::string value = match[2];
    if (value == "AceXML Document" || value.find("&#") != std::string::npos) return match.str();
    static const std::pair<const char*, const char*> kResolved[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [reference, character] : kResolved) {
      value = ReplaceAll(value, reference, character);
    }
    if (value.find("]]>") != std::string::npos) return match.str();
    return "<" + match[1].str() + "><![CDATA[" + value + "]]></" + match[1].str() + ">";
  });
}

struct Rewrite {
  std::string name;
  std::string (*apply)(const std::string&);
  bool xml = true;             // still XML, and meaning the same to an XML reader
  bool valueRuns = false;      // texts mean the same with their white-space runs as one space
  std::u32string added = U"";  // an attribute that the rewrite adds
};

void PrintTo(const Rewrite& rewrite, std::ostream* os) { *os << rewrite.name; }

const std::vector<Rewrite> kRewrites = {
    {"WhiteSpaceInTags", WhiteSpaceInTags},
    {"IdOnNextLine", IdOnNextLine, true, false, U"type"},
    {"Comments", Comments},
    {"ValuesOverLines", ValuesOverLines, true, true},
    {"FieldOrder", FieldOrder},
    {"NoEndLines", NoEndLines, false},
    {"PositionReferences", PositionReferences},
    {"Cdata", Cdata},
};

// Texts with the white space at either end trimmed, and inner runs as one space where `runs`.
std::u32string Compared(const std::u32string& text, bool runs) {
  std::u32string compared;
  std::u32string gap;
  for (char32_t c : text) {
    if (c == U' ' || c == U'\t' || c == U'\n') {
      gap += c;
      continue;
    }
    if (!compared.empty()) compared += runs && !gap.empty() ? U" " : gap;
    gap.clear();
    compared += c;
  }
  return compared;
}

void ExpectSameMeaning(const XmlElement& source, const XmlElement& rewritten,
                       const Rewrite& rewrite, const std::string& path) {
  const std::string where = path + "/" + Fs9Text(source.name, LetterCase::Lower);
  ASSERT_EQ(rewritten.name, source.name) << where;
  auto attributes = rewritten.attributes;
  std::erase_if(attributes, [&](const auto& attribute) {
    return attribute.first == rewrite.added && !source.Attribute(attribute.first);
  });
  EXPECT_EQ(attributes, source.attributes) << where;
  EXPECT_EQ(Compared(rewritten.text, rewrite.valueRuns), Compared(source.text, rewrite.valueRuns))
      << where;
  // Elements of different names may change places; those of one name keep their order.
  const auto byName = [](const XmlElement& element) {
    std::vector<const XmlElement*> children;
    for (const XmlElement& child : element.children) children.push_back(&child);
    std::stable_sort(children.begin(), children.end(),
                     [](const auto* a, const auto* b) { return a->name < b->name; });
    return children;
  };
  const auto sourceChildren = byName(source);
  const auto rewrittenChildren = byName(rewritten);
  ASSERT_EQ(rewrittenChildren.size(), sourceChildren.size()) << where;
  for (std::size_t i = 0; i < sourceChildren.size(); ++i) {
    ExpectSameMeaning(*sourceChildren[i], *rewrittenChildren[i], rewrite, where);
  }
}

struct LeftOutCount : ConversionObserver {
  int count = 0;
  void WaypointLeftOut(const LeftOutWaypoint&) override { ++count; }
};

class LayoutTest : public ::testing::TestWithParam<std::tuple<CorpusPlan, Rewrite>> {};

TEST_P(LayoutTest, ConvertsAsTheUsualLayout) {
  const CorpusPlan& plan = std::get<0>(GetParam());
  const Rewrite& rewrite = std::get<1>(GetParam());
  if (!plan.fsxPlan) GTEST_SKIP() << "no plan to convert";
  const std::string source = ReadFile((CorpusDir() / "fsx" / plan.file).string());
  // The rewrites work on single bytes; the corpus holds no UTF-16 plan.
  if (source.starts_with("\xFF\xFE") || source.starts_with("\xFE\xFF")) GTEST_SKIP();
  const std::string rewritten = rewrite.apply(source);
  if (rewritten == source) GTEST_SKIP() << "the layout does not occur in this plan";
  if (rewrite.xml) {
    ExpectSameMeaning(ReadXmlDocument(source), ReadXmlDocument(rewritten), rewrite, "");
  }
  LeftOutCount usual;
  LeftOutCount rewrittenLoss;
  ASSERT_TRUE(testing::ConvertInMemory(source, &usual));
  const std::optional<std::string> target = testing::ConvertInMemory(rewritten, &rewrittenLoss);
  ASSERT_TRUE(target) << "no longer taken for a plan";
  std::vector<std::string> lines = Lines(*target);
  std::vector<std::string> golden = Lines(ReadFile(GoldenFile(plan.file)));
  lines.emplace_back();
  golden.emplace_back();
  const auto differ = std::mismatch(lines.begin(), lines.end(), golden.begin(), golden.end());
  if (differ.first != lines.end()) {
    EXPECT_EQ(*differ.first, *differ.second) << "the first line that differs from the golden file";
  }
  EXPECT_LE(rewrittenLoss.count, usual.count) << "waypoints left out";
}

INSTANTIATE_TEST_SUITE_P(Rewritten, LayoutTest,
                         ::testing::Combine(::testing::ValuesIn(kCorpus),
                                            ::testing::ValuesIn(kRewrites)),
                         [](const auto& test) {
                           return "Plan" + std::get<0>(test.param).file.substr(0, 3) + "_" +
                                  std::get<1>(test.param).name;
                         });

}  // namespace
}  // namespace tarnwick
