#include "start_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

namespace tarnwick {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kFsxPlan =
    "<?xml version=\"1.0\"?>\r\n<SimBase.Document>\r\n<Descr>AceXML Document</Descr>\r\n"
    "<Title>A to B</Title>\r\n</SimBase.Document>\r\n";

// A plan of one complete waypoint and `leftOut` waypoints without a position.
std::string PlanLeavingOut(int leftOut) {
  std::string plan =
      "<?xml version=\"1.0\"?>\r\n<SimBase.Document>\r\n<Descr>AceXML Document</Descr>\r\n"
      "<Title>A to B</Title>\r\n<ATCWaypoint id=\"TABUM\">\r\n"
      "<ATCWaypointType>Intersection</ATCWaypointType>\r\n"
      "<WorldPosition>N49\xc2\xb0 49' 12.00\",E8\xc2\xb0 58' 33.00\",+000000.00</WorldPosition>\r\n"
      "</ATCWaypoint>\r\n";
  for (int i = 0; i < leftOut; ++i) {
    plan +=
        "<ATCWaypoint id=\"SPR\">\r\n<ATCWaypointType>VOR</ATCWaypointType>\r\n"
        "</ATCWaypoint>\r\n";
  }
  return plan + "</SimBase.Document>\r\n";
}

// Stands in for the window: answers the dialog with prepared choices and records what the
// window would paint at each repaint request.
class FakePlatform : public StartCommandPlatform {
 public:
  FakePlatform(ProgramState& state, std::vector<FileChoice> choices)
      : state_(state), choices_(std::move(choices)) {}

  FileChoice ChooseSourceFile() override {
    shownBehindDialog.push_back(state_.DisplayState);
    FileChoice choice = choices_.front();
    choices_.erase(choices_.begin());
    return choice;
  }
  void RequestRepaint() override { repaints.push_back(state_.DisplayState); }

  std::vector<DisplayState> shownBehindDialog;
  std::vector<DisplayState> repaints;

 private:
  ProgramState& state_;
  std::vector<FileChoice> choices_;
};

FileChoice Cancelled() { return {}; }
FileChoice Chosen(const TempDir& dir, const std::string& name) {
  return {true, dir.File(name), name};
}

TEST(StartCommandTest, ConvertsTheChosenPlanBesideIt) {
  TempDir dir;
  WriteFile(dir.File("Route.pln"), kFsxPlan);
  ProgramState state;
  FakePlatform platform(state, {Chosen(dir, "Route.pln")});
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(platform.shownBehindDialog, std::vector{DisplayState::Choosing});
  EXPECT_EQ(platform.repaints, (std::vector{DisplayState::Choosing, DisplayState::Converted}));
  EXPECT_EQ(state.SourcePath, dir.File("Route.pln"));
  EXPECT_EQ(state.SourceName, "Route.pln");
  EXPECT_EQ(state.SourceFolder, dir.File(""));
  EXPECT_EQ(state.TargetName, "FS9_Route.pln");
  EXPECT_EQ(state.TargetPath, dir.File("FS9_Route.pln"));
  EXPECT_TRUE(state.FileChosen);
  EXPECT_EQ(ReadFile(dir.File("FS9_Route.pln")).substr(0, 14), "[flightplan]\r\n");
}

TEST(StartCommandTest, FirstStartCancelledWritesNothing) {
  TempDir dir;
  ProgramState state;
  FakePlatform platform(state, {Cancelled()});
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(platform.repaints, (std::vector{DisplayState::Choosing, DisplayState::NotConverted}));
  EXPECT_EQ(state.DisplayState, DisplayState::NotConverted);
  EXPECT_EQ(state.SourcePath, "");
  EXPECT_EQ(state.SourceName, "");
  EXPECT_EQ(state.SourceFolder, "");
  EXPECT_EQ(state.TargetPath, "FS9_");
  EXPECT_TRUE(state.FileChosen);
  EXPECT_FALSE(std::filesystem::exists("FS9_"));
}

TEST(StartCommandTest, CancelAfterSuccessKeepsTheNamesUntilTheNextChoice) {
  TempDir dir;
  WriteFile(dir.File("Route.pln"), kFsxPlan);
  WriteFile(dir.File("Other.pln"), kFsxPlan);
  ProgramState state;
  FakePlatform platform(state, {Chosen(dir, "Route.pln"), Cancelled(), Chosen(dir, "Other.pln")});
  StartCommand(state, platform, Windows1252CaseRules());
  std::filesystem::remove(dir.File("FS9_Route.pln"));
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(state.DisplayState, DisplayState::NotConverted);
  EXPECT_EQ(state.SourceName, "Route.pln");
  EXPECT_EQ(state.TargetPath, dir.File("FS9_Route.pln"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("FS9_Route.pln")));
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(state.DisplayState, DisplayState::Converted);
  EXPECT_EQ(state.SourceName, "Other.pln");
  EXPECT_EQ(platform.shownBehindDialog, std::vector<DisplayState>(3, DisplayState::Choosing));
}

// The count belongs to the last conversion: neither a cancel nor a complete plan shows an old one.
TEST(StartCommandTest, EachStartCountsItsOwnWaypointsLeftOut) {
  TempDir dir;
  WriteFile(dir.File("Lossy.pln"), PlanLeavingOut(2));
  WriteFile(dir.File("Whole.pln"), PlanLeavingOut(0));
  ProgramState state;
  FakePlatform platform(state, {Chosen(dir, "Lossy.pln"), Chosen(dir, "Whole.pln"),
                                Chosen(dir, "Lossy.pln"), Cancelled()});
  std::vector<std::int64_t> counts;
  for (int start = 0; start < 4; ++start) {
    StartCommand(state, platform, Windows1252CaseRules());
    counts.push_back(state.WaypointsLeftOut.Total());
  }
  EXPECT_EQ(counts, (std::vector<std::int64_t>{2, 0, 2, 0}));
  EXPECT_EQ(ReadFile(dir.File("FS9_Lossy.pln")).find("SPR"), std::string::npos);
  EXPECT_NE(ReadFile(dir.File("FS9_Lossy.pln")).find("TABUM"), std::string::npos);
}

struct OutcomeCase {
  std::string name;
  std::string chosenName;
  void (*prepare)(const TempDir& dir);
  DisplayState outcome;
  std::string writtenTarget;   // empty when no target may exist afterwards
  LeftOutCounts leftOut = {};  // waypoints the state reports as left out
};

class StartCommandOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(StartCommandOutcomeTest, RecordsTheOutcome) {
  TempDir dir;
  GetParam().prepare(dir);
  ProgramState state;
  FakePlatform platform(state, {Chosen(dir, GetParam().chosenName)});
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(state.DisplayState, GetParam().outcome);
  EXPECT_EQ(platform.repaints.back(), GetParam().outcome);
  EXPECT_EQ(state.WaypointsLeftOut, GetParam().leftOut);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("FS9_", 0) == 0 && name != GetParam().chosenName) {
      EXPECT_EQ(name, GetParam().writtenTarget);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, StartCommandOutcomeTest,
    ::testing::Values(
        OutcomeCase{"AlreadyPrefixed", "FS9_Route.pln",
                    [](const TempDir& dir) { WriteFile(dir.File("FS9_Route.pln"), kFsxPlan); },
                    DisplayState::Converted, "FS9_FS9_Route.pln"},
        OutcomeCase{
            "NotAnFsxPlan", "Route.pln",
            [](const TempDir& dir) { WriteFile(dir.File("Route.pln"), "[flightplan]\r\n"); },
            DisplayState::WrongFormat, ""},
        OutcomeCase{"TypedNameOfNoFile", "Missing.pln", [](const TempDir&) {},
                    DisplayState::WrongFormat, ""},
        // A pipe typed into the dialog must not block the window.
        OutcomeCase{"PipeWithoutWriter", "Route.pln",
                    [](const TempDir& dir) { ::mkfifo(dir.File("Route.pln").c_str(), 0644); },
                    DisplayState::WrongFormat, ""},
        OutcomeCase{"EndlessDevice", "Route.pln",
                    [](const TempDir& dir) {
                      std::filesystem::create_symlink("/dev/zero", dir.File("Route.pln"));
                    },
                    DisplayState::WrongFormat, ""},
        OutcomeCase{"TargetCannotBeWritten", "Route.pln",
                    [](const TempDir& dir) {
                      WriteFile(dir.File("Route.pln"), kFsxPlan);
                      std::filesystem::create_directory(dir.File("FS9_Route.pln"));
                    },
                    DisplayState::NotConverted, "FS9_Route.pln"},
        OutcomeCase{"OneWaypointLeftOut",
                    "Route.pln",
                    [](const TempDir& dir) { WriteFile(dir.File("Route.pln"), PlanLeavingOut(1)); },
                    DisplayState::Converted,
                    "FS9_Route.pln",
                    {0, 1, 0}},
        OutcomeCase{"ThreeWaypointsLeftOut",
                    "Route.pln",
                    [](const TempDir& dir) { WriteFile(dir.File("Route.pln"), PlanLeavingOut(3)); },
                    DisplayState::Converted,
                    "FS9_Route.pln",
                    {0, 3, 0}},
        // Its reason is told as the command line tells it, not as a lost type or position.
        OutcomeCase{"PlanEndsInsideAWaypoint",
                    "Route.pln",
                    [](const TempDir& dir) {
                      const std::string plan = PlanLeavingOut(0);
                      WriteFile(dir.File("Route.pln"),
                                plan.substr(0, plan.find("<WorldPosition>")));
                    },
                    DisplayState::Converted,
                    "FS9_Route.pln",
                    {0, 0, 1}}),
    [](const auto& test) { return test.param.name; });

struct NameCase {
  std::string fullPath;
  std::string fileName;
  std::string folder;
  std::string targetPath;
};

class StartCommandNamesTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(StartCommandNamesTest, CutsTheFolderByCount) {
  ProgramState state;
  FakePlatform platform(state, {{true, GetParam().fullPath, GetParam().fileName}});
  StartCommand(state, platform, Windows1252CaseRules());
  EXPECT_EQ(state.SourceFolder, GetParam().folder);
  EXPECT_EQ(state.TargetName, "FS9_" + GetParam().fileName);
  EXPECT_EQ(state.TargetPath, GetParam().targetPath);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StartCommandNamesTest,
    ::testing::Values(
        NameCase{"D:\\Plans\\Route.pln", "Route.pln", "D:\\Plans\\", "D:\\Plans\\FS9_Route.pln"},
        NameCase{"D:\\Route.pln", "Route.pln", "D:\\", "D:\\FS9_Route.pln"},
        NameCase{"/nonexistent/Route.PLN", "Route.PLN", "/nonexistent/",
                 "/nonexistent/FS9_Route.PLN"},
        NameCase{"/x/plan", "a longer name", "", "FS9_a longer name"},
        NameCase{"/nonexistent/plan", "", "/nonexistent/plan", "/nonexistent/planFS9_"}));

TEST(StartCommandTest, BareFileNameIsConvertedInTheWorkingFolder) {
  TempDir dir;
  WriteFile(dir.File("Route.pln"), kFsxPlan);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  ProgramState state;
  FakePlatform platform(state, {{true, "Route.pln", "Route.pln"}});
  StartCommand(state, platform, Windows1252CaseRules());
  std::filesystem::current_path(previous);
  EXPECT_EQ(state.SourceFolder, "");
  EXPECT_EQ(state.TargetPath, "FS9_Route.pln");
  EXPECT_EQ(state.DisplayState, DisplayState::Converted);
  EXPECT_TRUE(std::filesystem::exists(dir.File("FS9_Route.pln")));
}

}  // namespace
}  // namespace tarnwick
