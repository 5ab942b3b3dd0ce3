#include "convert_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "file_conversion.h"
#include "name_pattern.h"
#include "plan_generator.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kExample = std::string(TARNWICK_EXAMPLES_DIR) + "/EDDF-EDDM.pln";

struct PathCase {
  std::string source;
  std::optional<std::string> outputDir;
  std::string target;
};

class TargetPathForTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(TargetPathForTest, PrefixesTheFileName) {
  std::optional<std::string_view> outputDir;
  if (GetParam().outputDir) outputDir = *GetParam().outputDir;
  EXPECT_EQ(TargetPathFor(GetParam().source, outputDir), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TargetPathForTest,
    ::testing::Values(PathCase{"plans/Route.pln", std::nullopt, "plans/FS9_Route.pln"},
                      PathCase{"Route.pln", std::nullopt, "FS9_Route.pln"},
                      PathCase{"/Route.pln", std::nullopt, "/FS9_Route.pln"},
                      PathCase{"a/FS9_Route.PLN", std::nullopt, "a/FS9_FS9_Route.PLN"},
                      PathCase{"a/b.c/plan", std::nullopt, "a/b.c/FS9_plan"},
                      PathCase{"a/Route.pln", "out", "out/FS9_Route.pln"},
                      PathCase{"a/Route.pln", "out/", "out/FS9_Route.pln"},
                      PathCase{"Route.pln", "", "FS9_Route.pln"}));

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

CommandRun RunCommand(std::vector<std::string> arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunConvertCommand(arguments, out, err);
  return {status, out.str(), err.str()};
}

TEST(ConvertCommandTest, ConvertsBesideTheSource) {
  TempDir dir;
  WriteFile(dir.File("Route.pln"), ReadFile(kExample));
  const CommandRun run = RunCommand({dir.File("Route.pln")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            dir.File("Route.pln") + " -> " + dir.File("FS9_Route.pln") + " (6 waypoints)\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(dir.File("FS9_Route.pln")),
            ReadFile(std::string(TARNWICK_EXAMPLES_DIR) + "/FS9_EDDF-EDDM.pln"));
}

TEST(ConvertCommandTest, WritesExactlyWhatTheConversionWrites) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("cli"));
  ASSERT_EQ(RunCommand({"-o", dir.File("cli"), kExample}).status, 0);
  ASSERT_EQ(ConvertFlightPlan(kExample, dir.File("direct.pln")).result,
            ConversionResult::Converted);
  EXPECT_EQ(ReadFile(dir.File("cli/FS9_EDDF-EDDM.pln")), ReadFile(dir.File("direct.pln")));
}

struct UsageCase {
  std::string name;
  std::vector<std::string> arguments;
  int status;
  std::string outStart;
  std::string err;
};

class UsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, AnswersWithStatusAndText) {
  const CommandRun run = RunCommand(GetParam().arguments);
  EXPECT_EQ(run.status, GetParam().status);
  EXPECT_EQ(run.out.substr(0, GetParam().outStart.size()), GetParam().outStart);
  EXPECT_EQ(run.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageTest,
    ::testing::Values(
        UsageCase{
            "Help", {"--help"}, 0, "Usage: tarnwick-convert [--output-dir DIR] FILE...\n", ""},
        UsageCase{"ShortHelp", {"x.pln", "-h"}, 0, "Usage:", ""},
        UsageCase{"Version", {"--version"}, 0, "tarnwick-convert " TARNWICK_VERSION_TEXT "\n", ""},
        UsageCase{"NoFile",
                  {},
                  2,
                  "",
                  "tarnwick-convert: no FILE given\nTry 'tarnwick-convert --help'.\n"},
        UsageCase{"UnknownOption",
                  {"--force", "x.pln"},
                  2,
                  "",
                  "tarnwick-convert: unknown option '--force'\nTry 'tarnwick-convert --help'.\n"},
        UsageCase{"OutputDirWithoutFolder",
                  {"x.pln", "--output-dir"},
                  2,
                  "",
                  "tarnwick-convert: option '--output-dir' needs a folder\nTry 'tarnwick-convert "
                  "--help'.\n"},
        UsageCase{"MissingFile",
                  {"/nonexistent/x.pln"},
                  1,
                  "",
                  "tarnwick-convert: /nonexistent/x.pln: no such file\n"},
        UsageCase{"FolderWithoutPlans",
                  {"--", "/"},
                  1,
                  "",
                  "tarnwick-convert: /: no .pln plan in this folder\n"}),
    [](const auto& test) { return test.param.name; });

TEST(ConvertCommandTest, ReportsEachFileAndGoesOnAfterAFailure) {
  TempDir dir;
  WriteFile(dir.File("fs9.pln"), "[flightplan]\r\ntitle=X\r\n");
  WriteFile(dir.File("-dash.pln"), ReadFile(kExample));
  const CommandRun run = RunCommand({"--output-dir=" + dir.File(""), dir.File("fs9.pln"), "--",
                                     dir.File("-dash.pln"), dir.File("gone.pln")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            dir.File("-dash.pln") + " -> " + dir.File("FS9_-dash.pln") + " (6 waypoints)\n");
  EXPECT_EQ(run.err, "tarnwick-convert: " + dir.File("fs9.pln") +
                         ": Wrong format - no FSX Flightplan!\ntarnwick-convert: " +
                         dir.File("gone.pln") + ": no such file\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("FS9_fs9.pln")));
}

// Where the shell expands patterns (POSIX), a name holding ? is a name; a plan without a
// waypoint is told in the plural.
TEST(ConvertCommandTest, TakesQuestionMarksAsPartOfANameWithoutAnExpander) {
  TempDir dir;
  std::string plan = ReadFile(kExample);
  const std::size_t first = plan.find("<ATCWaypoint ");
  plan.erase(first, plan.rfind("</ATCWaypoint>") + 14 - first);
  WriteFile(dir.File("Route?.pln"), plan);
  const CommandRun run = RunCommand({dir.File("Route?.pln")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            dir.File("Route?.pln") + " -> " + dir.File("FS9_Route?.pln") + " (0 waypoints)\n");
  EXPECT_EQ(run.err, "");
}

TEST(ConvertCommandTest, SaysPlainlyWhenTheTargetCannotBeWritten) {
  TempDir dir;
  const CommandRun run = RunCommand({"-o", dir.File("none"), kExample});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarnwick-convert: " + kExample + ": the FS9 plan " +
                         dir.File("none/FS9_EDDF-EDDM.pln") +
                         " could not be written: No such file or directory\n");
}

// No waypoint is lost silently: each one left out is named with its line, as editors read it.
TEST(ConvertCommandTest, WarnsOfEveryWaypointLeftOut) {
  TempDir dir;
  std::string plan = ReadFile(kExample);
  const auto cut = [&](std::string_view from, std::string_view to) {
    plan.erase(plan.find(from), plan.find(to, plan.find(from)) - plan.find(from));
  };
  cut("<WorldPosition>N50", "</ATCWaypoint>");    // EDDF, which the header places
  cut("<ATCWaypointType>VOR", "</ATCWaypoint>");  // SPR
  // RDG by a name in its id, as later planners write it: named by its ident all the same.
  plan.replace(plan.find("id=\"RDG\""), 8, "id=\"Roding\"");
  // A user waypoint named in UTF-8: told in UTF-8, not in the plan's code page, and its control
  // character (ESC, which would recolour a terminal) as "?".
  plan.replace(plan.find("<ATCWaypoint id=\"TABUM\">"), 0,
               "<ATCWaypoint id=\"M\xC3\xBChle\x1B\"><ATCWaypointType>User</ATCWaypointType>"
               "</ATCWaypoint>\n");
  cut("<WorldPosition>N48\xC2\xB0 58", "<ICAO>");
  // TABUM without its id and its ident: a waypoint of no name.
  plan.replace(plan.find("<ATCWaypoint id=\"TABUM\">"), 24, "<ATCWaypoint>");
  cut("<WorldPosition>N49\xC2\xB0 49", "</ATCWaypoint>");
  // The file ends inside EDDM, before its type (with a type and a position, or as an airport
  // the header places, it would be written).
  plan.erase(plan.rfind("<ATCWaypointType>"));
  WriteFile(dir.File("Route.pln"), plan);
  const auto line = [&](std::string_view startTag) {
    const std::size_t at = plan.find("<ATCWaypoint" + std::string(startTag));
    return std::to_string(1 + std::count(plan.begin(), plan.begin() + static_cast<long>(at), '\n'));
  };
  const CommandRun run = RunCommand({dir.File("Route.pln")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            dir.File("Route.pln") + " -> " + dir.File("FS9_Route.pln") + " (2 waypoints)\n");
  const std::string prefix = "tarnwick-convert: " + dir.File("Route.pln") + ":";
  EXPECT_EQ(run.err,
            prefix + line(" id=\"M") + ": waypoint M\xC3\x9CHLE? left out: it has no position\n" +
                prefix + line(">") + ": waypoint left out: it has no position\n" + prefix +
                line(" id=\"SPR") + ": waypoint SPR left out: it has no type\n" + prefix +
                line(" id=\"Roding") + ": waypoint RDG left out: it has no position\n" + prefix +
                line(" id=\"EDDM") + ": waypoint EDDM left out: the plan ends inside it\n");
}

// A folder stands for its plans in name order: any letter case of the extension, but neither
// the FS9 plans this tool wrote nor anything in a folder below, so a second run converts the
// same plans again and none of its own output.
TEST(ConvertCommandTest, ConvertsTheFsxPlansOfAFolder) {
  TempDir dir;
  const std::string plan = ReadFile(kExample);
  std::filesystem::create_directories(dir.File("plans/deeper"));
  for (const char* name : {"b.PLN", "a.pln", "c.txt", "FS9_old.pln", "deeper/d.pln"}) {
    WriteFile(dir.File(std::string("plans/") + name), plan);
  }
  // A folder of a plan's name is no plan.
  std::filesystem::create_directories(dir.File("plans/old.pln"));
  const std::string folder = dir.File("plans");
  const std::string expected = folder + "/a.pln -> " + folder + "/FS9_a.pln (6 waypoints)\n" +
                               folder + "/b.PLN -> " + folder + "/FS9_b.PLN (6 waypoints)\n";
  for (int run = 0; run < 2; ++run) {
    const CommandRun result = RunCommand({folder});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("plans/deeper/FS9_d.pln")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("plans/FS9_FS9_old.pln")));
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A second source whose FS9 plan would replace one the run wrote before: the first is kept.
struct SameTargetCase {
  std::string name;
  // Makes the plans and gives the arguments, the first and second source and the target told.
  std::vector<std::string> (*prepare)(const TempDir& dir);
  std::string first;
  std::string second;
  std::string target;
};

class SameTargetTest : public ::testing::TestWithParam<SameTargetCase> {};

TEST_P(SameTargetTest, WritesEachTargetOnceAndKeepsTheFirst) {
  TempDir dir;
  const std::vector<std::string> arguments = GetParam().prepare(dir);
  const std::string first = dir.File(GetParam().first);
  const std::string second = dir.File(GetParam().second);
  const CommandRun run = RunCommand(arguments);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.substr(0, first.size() + 4), first + " -> ");
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  EXPECT_EQ(run.err, "tarnwick-convert: " + second + ": the FS9 plan " +
                         dir.File(GetParam().target) + " was already written from " + first +
                         " in this run\n");
  EXPECT_EQ(ReadFile(dir.File(GetParam().target)), testing::ConvertInMemory(ReadFile(first)));
}

// Two different plans of one name, in the folders "a" and "b".
void TwoPlansOfOneName(const TempDir& dir) {
  std::filesystem::create_directories(dir.File("a"));
  std::filesystem::create_directories(dir.File("b"));
  std::filesystem::create_directories(dir.File("out"));
  WriteFile(dir.File("a/x.pln"), ReadFile(kExample));
  WriteFile(dir.File("b/x.pln"), GeneratePlan(3));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SameTargetTest,
    ::testing::Values(
        SameTargetCase{"TwoFilesIntoOneFolder",
                       [](const TempDir& dir) {
                         TwoPlansOfOneName(dir);
                         return std::vector<std::string>{"-o", dir.File("out"), dir.File("a/x.pln"),
                                                         dir.File("b/x.pln")};
                       },
                       "a/x.pln", "b/x.pln", "out/FS9_x.pln"},
        SameTargetCase{
            "TwoFoldersIntoOneFolder",
            [](const TempDir& dir) {
              TwoPlansOfOneName(dir);
              return std::vector<std::string>{"-o", dir.File("out"), dir.File("a"), dir.File("b")};
            },
            "a/x.pln", "b/x.pln", "out/FS9_x.pln"},
        SameTargetCase{"TwoSpellingsOfOneFolder",
                       [](const TempDir& dir) {
                         TwoPlansOfOneName(dir);
                         return std::vector<std::string>{dir.File("a"), dir.File("b/../a")};
                       },
                       "a/x.pln", "b/../a/x.pln", "b/../a/FS9_x.pln"},
        SameTargetCase{
            "ALinkToTheFolder",
            [](const TempDir& dir) {
              TwoPlansOfOneName(dir);
              std::filesystem::create_directory_symlink("a", dir.File("link"));
              return std::vector<std::string>{dir.File("a/x.pln"), dir.File("link/x.pln")};
            },
            "a/x.pln", "link/x.pln", "link/FS9_x.pln"}),
    [](const auto& test) { return test.param.name; });

// Where the program expands patterns itself (Windows), the question mark of a \\?\ prefix is
// part of the path, but a * or ? after it is still a pattern.
struct PatternCase {
  std::string name;
  std::string file;
  bool expanded;
};

class PatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTest, ExpandsOnlyPatternsPastAPathPrefix) {
  std::vector<std::string> expanded;
  const PatternExpander expander = [&](const std::string& pattern) {
    expanded.push_back(pattern);
    return std::vector<std::string>{};
  };
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunConvertCommand({GetParam().file}, out, err, Windows1252CaseRules(), expander), 1);
  EXPECT_EQ(expanded, GetParam().expanded ? std::vector<std::string>{GetParam().file}
                                          : std::vector<std::string>{});
  EXPECT_EQ(err.str(), "tarnwick-convert: " + GetParam().file + ": no such file\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, PatternTest,
    ::testing::Values(PatternCase{"LongPath", R"(\\?\C:\Plans\Route.pln)", false},
                      PatternCase{"DevicePath", R"(\\.\C:\Plans\Route.pln)", false},
                      PatternCase{"LongPathWithSlashes", "//?/C:/Plans/Route.pln", false},
                      PatternCase{"StarAfterTheLongPathPrefix", R"(\\?\C:\Plans\*.pln)", true},
                      PatternCase{"QuestionMarkAfterThePrefix", R"(\\?\C:\Plans\Route?.pln)", true},
                      PatternCase{"QuestionMarkWithoutPrefix", R"(C:\Plans\?.pln)", true},
                      PatternCase{"QuestionMarkInTheFirstPlaces", R"(?\Plans\Route.pln)", true}),
    [](const auto& test) { return test.param.name; });

// The names a Windows pattern takes from its folder: the long name matched as a shell matches it,
// letter case ignored through the system's fold (here ASCII's), and no FS9 plan.
struct NamePatternCase {
  std::string name;
  std::string pattern;
  std::vector<std::string> names;
  std::vector<std::string> taken;
};

class NamePatternTest : public ::testing::TestWithParam<NamePatternCase> {};

TEST_P(NamePatternTest, TakesTheLongNamesItMatches) {
  const NameFold asciiUpper = [](std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
  };
  EXPECT_EQ(NamesMatching(GetParam().pattern, GetParam().names, asciiUpper), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, NamePatternTest,
    ::testing::Values(
        // FS9 plans are left out as a folder leaves them out.
        NamePatternCase{
            "StarEndsWhereTheNameEnds",
            "*.pln",
            {"Route.pln", "Route.pln_old", "Longer name route.plnx", "b.PLN", "FS9_Route.pln"},
            {"Route.pln", "b.PLN"}},
        NamePatternCase{"QuestionMarkIsOneCharacter",
                        "Route?.pln",
                        {"Route.pln", "Route1.pln", "Route12.pln"},
                        {"Route1.pln"}},
        NamePatternCase{"QuestionMarkIsOneUtf8Character",
                        "?.pln",
                        {"\xC5\x81.pln", "LL.pln"},
                        {"\xC5\x81.pln"}},
        NamePatternCase{"LetterCaseIgnored",
                        "route*.PLN",
                        {"ROUTE.pln", "Route2.Pln", "Rout.pln"},
                        {"ROUTE.pln", "Route2.Pln"}},
        NamePatternCase{"StarTriesEveryRun", "*a*b", {"xaxb", "xab", "xba"}, {"xab", "xaxb"}}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tarnwick
