// Real plans written by simulators, planners and scripts: which ones are FSX plans, and that each
// of those converts into a well-formed FS9 plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::CorpusDir;
using testing::ReadFile;

struct CorpusPlan {
  std::string file;
  bool fsxPlan;       // holds the FSX marker line; later simulators' plans lack it
  int waypointLines;  // one per ATCWaypoint element of the source
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
    {"010-fri-kvny-kbur-corrupt-lat.pln", true, 4},
    {"011-fri-sbkp-sbpp-south.pln", true, 15},
    {"012-hudbar-lszh-lsgg-lnm3.pln", true, 19},
    {"013-aerofly-keyw-khwo-fsx.pln", true, 10},
    {"014-aerofly-keyw-khwo-msfs2024.pln", false, 0},
    {"015-aerofly-simbrief-keyw-kmia.pln", true, 11},
    {"016-aerofly-simbrief-ekrk-eglc-msfs2024.pln", false, 0},
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
    {"029-atoolstest-cypr-pawg-decimal.pln", false, 0},
    {"030-atoolstest-msfs2020-eddh-eddf.pln", true, 25},
    {"031-atoolstest-msfs2024-no-waypoints.pln", false, 0},
    {"032-atoolstest-msfs2024-visual-pattern.pln", false, 0},
    {"033-atoolstest-ksea-kfll-long.pln", true, 121},
    {"034-atoolstest-ut02-6t4-user.pln", true, 12},
    {"035-plansync-simbrief-egkk-ekvg.pln", true, 38},
    {"036-skyvector-p34-n68-list.pln", false, 0},
    {"037-skyvector-p34-n68-msfs2024.pln", false, 0},
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
    {"049-pcj-kjfk-lfbo-commadec-lf.pln", true, 20},
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

// An independent reading of the source's waypoints, as a navigator reads them: where each
// complete waypoint element (an identifier, a type and a position before its end) lies, in
// minutes of arc north and east.
struct SourceWaypoint {
  double north;
  double east;
};

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// "n47° 26' 56.40"", "s22° 47.50'", "e1°43' 16"" (the sign as UTF-8, one byte B0 or an
// asterisk), or decimal degrees "n70.743103": minutes of arc, negative to the south and west.
std::optional<double> CoordinateMinutes(const std::string& text) {
  static const std::regex form(
      R"(\s*([nsew])\s*(\d+(?:\.\d+)?)\s*(?:\xC2\xB0|\xB0|\*)?\s*(?:(\d+(?:\.\d+)?)\s*')?)"
      R"(\s*(?:(\d+(?:\.\d+)?)\s*")?\s*)");
  std::smatch match;
  if (!std::regex_match(text, match, form)) return std::nullopt;
  const auto number = [&](std::size_t group) {
    return match[group].matched ? std::stod(match[group]) : 0;
  };
  const double minutes = number(2) * 60 + number(3) + number(4) / 60;
  return match[1] == "s" || match[1] == "w" ? -minutes : minutes;
}

std::vector<SourceWaypoint> CompleteWaypoints(const std::string& source) {
  const std::string text = AsciiLower(source);
  const auto between = [&](std::size_t from, std::size_t to, const std::string& open,
                           const std::string& close) -> std::optional<std::string> {
    const std::size_t start = text.find(open, from);
    if (start >= to) return std::nullopt;
    const std::size_t end = text.find(close, start);
    return text.substr(start + open.size(), end - start - open.size());
  };
  std::vector<SourceWaypoint> waypoints;
  for (std::size_t start = text.find("<atcwaypoint id="); start != std::string::npos;
       start = text.find("<atcwaypoint id=", start + 1)) {
    const std::size_t end = std::min(text.find("</atcwaypoint>", start), text.size());
    const auto position = between(start, end, "<worldposition>", "</worldposition>");
    if (!between(start, end, "<atcwaypointtype>", "<") || !position) continue;
    const std::size_t comma = position->find(',');
    const auto north = CoordinateMinutes(position->substr(0, comma));
    const auto east =
        CoordinateMinutes(position->substr(comma + 1, position->find(',', comma + 1) - comma - 1));
    if (!north || !east) {
      ADD_FAILURE() << "position not read by the test: " << *position;
      continue;
    }
    waypoints.push_back({*north, *east});
  }
  return waypoints;
}

// The position of an FS9 waypoint line, "..., N47* 26.94', W122* 18.71', ...", in minutes.
std::optional<SourceWaypoint> LinePosition(const std::string& line) {
  static const std::regex position(
      R"(, ([NSEW])(\d+)\* +(-?[\d.]+)', ([NSEW])(\d+)\* +(-?[\d.]+)', )");
  std::smatch match;
  if (!std::regex_search(line, match, position)) return std::nullopt;
  const auto minutes = [&](std::size_t group) {
    const double value = std::stod(match[group + 1]) * 60 + std::stod(match[group + 2]);
    return match[group] == "S" || match[group] == "W" ? -value : value;
  };
  return SourceWaypoint{minutes(1), minutes(4)};
}

std::string GoldenFile(const std::string& plan) {
  return std::string(TARNWICK_GOLDEN_DIR) + "/FS9_" + plan;
}

class CorpusTest : public ::testing::TestWithParam<CorpusPlan> {};

TEST_P(CorpusTest, ConvertsFsxPlansAndRefusesOthers) {
  const std::string before = ReadFile((CorpusDir() / "fsx" / GetParam().file).string());
  const std::optional<std::string> target = testing::ConvertInMemory(before);
  ASSERT_EQ(target.has_value(), GetParam().fsxPlan);
  if (!target) return;
  // Every byte, as checked in (scripts/make-golden writes them anew after a deliberate change).
  EXPECT_TRUE(*target == ReadFile(GoldenFile(GetParam().file))) << "differs from its golden file";
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
  ASSERT_EQ(lines.size(), keys.size() + static_cast<std::size_t>(GetParam().waypointLines));
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
  // Meaning, not just form: every complete waypoint has its line, where its source puts it.
  const std::vector<SourceWaypoint> expected = CompleteWaypoints(before);
  ASSERT_EQ(lines.size() - keys.size(), expected.size());
  constexpr double kRounding = 0.005 + 1e-9;  // minutes: the target's two decimals
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const std::string& line = lines[keys.size() + i];
    const auto written = LinePosition(line);
    ASSERT_TRUE(written) << line;
    EXPECT_NEAR(written->north, expected[i].north, kRounding) << line;
    EXPECT_NEAR(written->east, expected[i].east, kRounding) << line;
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

}  // namespace
}  // namespace tarnwick
