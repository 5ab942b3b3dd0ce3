// The file layer: which sources are read, and how a target is replaced as a whole or left as it
// was, whatever state the folder and the old target are in.
#include "file_conversion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "plan_generator.h"
#include "system_calls.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

namespace fs = std::filesystem;

const std::string kExample = ReadFile(std::string(TARNWICK_EXAMPLES_DIR) + "/EDDF-EDDM.pln");
const std::string kConverted = ReadFile(std::string(TARNWICK_EXAMPLES_DIR) + "/FS9_EDDF-EDDM.pln");
constexpr char kOld[] = "an FS9 plan edited by hand";

// What the target's name holds afterwards: what it held before, or the new plan.
enum class Holds { AsItWas, NewPlan };

// The kind of file and, for a regular file, its bytes.
std::string State(const std::string& path) {
  const fs::file_status status = fs::symlink_status(path);
  return std::to_string(static_cast<int>(status.type())) +
         (fs::is_regular_file(status) ? ReadFile(path) : "");
}

struct TargetCase {
  std::string name;
  std::string (*prepare)(const TempDir& dir);  // gives the target path
  ConversionResult result;
  std::string reason;
  Holds holds;
};

class TargetStateTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetStateTest, ReplacesTheTargetWholeOrLeavesItAsItWas) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), kExample);
  const std::string target = GetParam().prepare(dir);
  const std::string before = State(target);
  const ConversionReport report = ConvertFlightPlan(dir.File("plan.pln"), target);
  testing::EndCreationFailures();
  EXPECT_EQ(report.result, GetParam().result);
  EXPECT_EQ(report.reason, GetParam().reason);
  EXPECT_EQ(ReadFile(dir.File("plan.pln")), kExample);
  switch (GetParam().holds) {
    case Holds::AsItWas:
      EXPECT_EQ(State(target), before);
      break;
    case Holds::NewPlan:
      EXPECT_EQ(ReadFile(target), kConverted);
      EXPECT_EQ(report.waypoints, 6);
      break;
  }
  // A finished run never leaves its temporary file behind.
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

std::string Beside(const TempDir& dir) { return dir.File("FS9_plan.pln"); }

std::string OldTarget(const TempDir& dir) {
  WriteFile(Beside(dir), kOld);
  return Beside(dir);
}

std::ptrdiff_t EntriesIn(const TempDir& dir) {
  return std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
}

fs::perms Permissions(const std::string& path) { return fs::status(path).permissions(); }

INSTANTIATE_TEST_SUITE_P(
    Targets, TargetStateTest,
    ::testing::Values(
        TargetCase{"New", Beside, ConversionResult::Converted, "", Holds::NewPlan},
        TargetCase{"LongerOldTargetReplaced",
                   [](const TempDir& dir) {
                     WriteFile(Beside(dir), std::string(100000, 'x'));
                     return Beside(dir);
                   },
                   ConversionResult::Converted, "", Holds::NewPlan},
        TargetCase{"FolderMissing",
                   [](const TempDir& dir) { return dir.File("none/FS9_plan.pln"); },
                   ConversionResult::TargetNotWritten, "No such file or directory", Holds::AsItWas},
        TargetCase{"TargetIsAFolder",
                   [](const TempDir& dir) {
                     fs::create_directory(Beside(dir));
                     return Beside(dir);
                   },
                   ConversionResult::TargetNotWritten, "Is a directory", Holds::AsItWas},
        TargetCase{
            "TargetIsTheSourceItself", [](const TempDir& dir) { return dir.File("plan.pln"); },
            ConversionResult::TargetNotWritten, "it is the source plan itself", Holds::AsItWas},
        TargetCase{"TargetLinksToTheSource",
                   [](const TempDir& dir) {
                     fs::create_symlink(dir.File("plan.pln"), Beside(dir));
                     return Beside(dir);
                   },
                   ConversionResult::TargetNotWritten, "it is the source plan itself",
                   Holds::AsItWas},
        // A folder that refuses new files outright (immutable: EPERM) is one that refuses them
        // to this user (EACCES): a plan the user may write is overwritten in place.
        TargetCase{"ImmutableFolder",
                   [](const TempDir& dir) {
                     testing::FailCreationWith(EPERM);
                     return OldTarget(dir);
                   },
                   ConversionResult::Converted, "", Holds::NewPlan},
        // A device is written in place; /dev/full fails every write.
        TargetCase{"DeviceThatIsFull",
                   [](const TempDir& dir) {
                     fs::create_symlink("/dev/full", Beside(dir));
                     return Beside(dir);
                   },
                   ConversionResult::TargetNotWritten, "No space left on device", Holds::AsItWas}),
    [](const auto& test) { return test.param.name; });

TEST(TargetReplacementTest, KeepsTheOldTargetsPermissions) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), kExample);
  const std::string target = OldTarget(dir);
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(target, mode);
  EXPECT_EQ(ConvertFlightPlan(dir.File("plan.pln"), target).result, ConversionResult::Converted);
  EXPECT_EQ(Permissions(target), mode);
  EXPECT_EQ(ReadFile(target), kConverted);
}

TEST(TargetReplacementTest, NewTargetHasTheDefaultPermissions) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), kExample);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(ConvertFlightPlan(dir.File("plan.pln"), Beside(dir)).result,
            ConversionResult::Converted);
  EXPECT_EQ(Permissions(Beside(dir)), static_cast<fs::perms>(0666 & ~mask));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Beside(dir))));
}

TEST(TargetReplacementTest, WritesThroughALinkAndKeepsIt) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), kExample);
  fs::create_directory(dir.File("real"));
  WriteFile(dir.File("real/edited.pln"), kOld);
  fs::create_symlink("real/edited.pln", Beside(dir));
  EXPECT_EQ(ConvertFlightPlan(dir.File("plan.pln"), Beside(dir)).result,
            ConversionResult::Converted);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Beside(dir))));
  EXPECT_EQ(ReadFile(dir.File("real/edited.pln")), kConverted);
}

// The new plan is on the disk before it takes the old one's name: a crash in between leaves the
// old plan or the whole new one, never an empty file under the target's name.
TEST(TargetReplacementTest, SyncsTheNewPlanBeforeItTakesTheOldOnesPlace) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), kExample);
  const std::string target = OldTarget(dir);
  testing::TakeSyncAndRenameCalls();
  EXPECT_EQ(ConvertFlightPlan(dir.File("plan.pln"), target).result, ConversionResult::Converted);
  const std::vector<std::string> calls = testing::TakeSyncAndRenameCalls();
  ASSERT_EQ(calls.size(), 2u);
  const std::string renamed = "rename " + dir.File("FS9_plan.pln.");
  ASSERT_EQ(calls[1].rfind(renamed, 0), 0u) << calls[1];
  const std::string temporary = calls[1].substr(7, calls[1].find(' ', renamed.size()) - 7);
  EXPECT_EQ(calls[1], "rename " + temporary + " " + target);
  EXPECT_EQ(calls[0], "fsync " + fs::weakly_canonical(temporary).string());
  EXPECT_EQ(fs::path(temporary).extension(), ".tmp");
}

// A replacement that fails keeps the old plan, or where it removed the old plan first, the new
// one whole under its temporary name, which the report gives.
TEST(TargetReplacementTest, NeverRemovesTheOnlyCopyWhenAReplacementFails) {
  for (const bool removingTheTarget : {false, true}) {
    TempDir dir;
    WriteFile(dir.File("plan.pln"), kExample);
    testing::FailNextRename(removingTheTarget);
    const ConversionReport report = ConvertFlightPlan(dir.File("plan.pln"), OldTarget(dir));
    EXPECT_EQ(report.result, ConversionResult::TargetNotWritten);
    EXPECT_EQ(report.reason, "Input/output error");
    if (removingTheTarget) {
      EXPECT_FALSE(fs::exists(Beside(dir)));
      EXPECT_EQ(report.keptAs.parent_path(), dir.Path());
      EXPECT_EQ(report.keptAs.extension(), ".tmp");
      EXPECT_EQ(ReadFile(report.keptAs), kConverted);
    } else {
      EXPECT_EQ(ReadFile(Beside(dir)), kOld);
      EXPECT_EQ(report.keptAs, fs::path());
      EXPECT_EQ(EntriesIn(dir), 2);
    }
  }
}

// A UTF-16 plan is read again from its start for the waypoints once the header's last element,
// written after them, is found: the second reading begins with fresh bytes, not the first's.
TEST(SourceEncodingTest, ReadsAUtf16PlanAsItsUtf8TwinWhereTheHeaderEndsInsideTheRoute) {
  TempDir dir;
  std::string plan = GeneratePlan(3000);
  const std::string name = "        <DestinationName>Muenchen</DestinationName>\r\n";
  plan.erase(plan.find(name), name.size());
  std::size_t middle = 0;
  for (int i = 0; i < 1500; ++i) middle = plan.find("</ATCWaypoint>\r\n", middle) + 16;
  plan.insert(middle, name);
  WriteFile(dir.File("utf8.pln"), plan);
  WriteFile(dir.File("utf16.pln"), testing::Utf16(plan, false));
  const ConversionReport utf8 = ConvertFlightPlan(dir.File("utf8.pln"), dir.File("FS9_utf8.pln"));
  const ConversionReport utf16 =
      ConvertFlightPlan(dir.File("utf16.pln"), dir.File("FS9_utf16.pln"));
  EXPECT_EQ(utf8.waypoints, 3000);
  EXPECT_EQ(utf16.waypoints, 3000);
  EXPECT_NE(ReadFile(dir.File("FS9_utf8.pln")).find("MUENCHEN"), std::string::npos);
  EXPECT_TRUE(ReadFile(dir.File("FS9_utf16.pln")) == ReadFile(dir.File("FS9_utf8.pln")));
}

// A disk that fails to read the source at any point leaves the old plan and says so.
class SourceReadFailureTest : public ::testing::TestWithParam<int> {};

TEST_P(SourceReadFailureTest, LeavesTheOldPlanAndTellsWhy) {
  TempDir dir;
  WriteFile(dir.File("plan.pln"), GeneratePlan(20000));
  const std::string target = OldTarget(dir);
  testing::FailReadsAfter(GetParam());
  const ConversionReport report = ConvertFlightPlan(dir.File("plan.pln"), target);
  testing::EndReadFailures();
  EXPECT_EQ(report.result, ConversionResult::SourceNotReadable);
  EXPECT_EQ(report.reason, "Input/output error");
  EXPECT_EQ(ReadFile(target), kOld);
  EXPECT_EQ(EntriesIn(dir), 2);
}

// Before the first read, within the first piece, and while the target is being written.
INSTANTIATE_TEST_SUITE_P(ReadsBeforeTheFailure, SourceReadFailureTest,
                         ::testing::Values(0, 1, 2, 3, 10, 50));

struct SourceCase {
  std::string name;
  void (*prepare)(const TempDir& dir);
  ConversionResult result;
  FileKind kind;
  std::string source = "plan.pln";
};

class SourceStateTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourceStateTest, OnlyFsxPlansInRegularFilesTouchTheTarget) {
  TempDir dir;
  GetParam().prepare(dir);
  const std::string target = OldTarget(dir);
  const std::ptrdiff_t entries = EntriesIn(dir);
  const ConversionReport report = ConvertFlightPlan(dir.File(GetParam().source), target);
  EXPECT_EQ(report.result, GetParam().result);
  EXPECT_EQ(report.sourceKind, GetParam().kind);
  EXPECT_EQ(ReadFile(target), kOld);
  EXPECT_EQ(EntriesIn(dir), entries);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SourceStateTest,
    ::testing::Values(
        SourceCase{"Missing", [](const TempDir&) {}, ConversionResult::SourceNotReadable,
                   FileKind::Missing},
        SourceCase{"Folder", [](const TempDir& dir) { fs::create_directory(dir.File("plan.pln")); },
                   ConversionResult::SourceNotReadable, FileKind::Directory},
        // Neither may block: a pipe without a writer, a device that never ends.
        SourceCase{"Pipe", [](const TempDir& dir) { ::mkfifo(dir.File("plan.pln").c_str(), 0644); },
                   ConversionResult::SourceNotReadable, FileKind::Other},
        SourceCase{
            "EndlessDevice",
            [](const TempDir& dir) { fs::create_symlink("/dev/zero", dir.File("plan.pln")); },
            ConversionResult::SourceNotReadable, FileKind::Other},
        SourceCase{"Fs9Plan",
                   [](const TempDir& dir) { WriteFile(dir.File("plan.pln"), kConverted); },
                   ConversionResult::NotFsxPlan, FileKind::Regular},
        // A path through a file names nothing.
        SourceCase{"PathThroughAFile",
                   [](const TempDir& dir) { WriteFile(dir.File("plan.pln"), kExample); },
                   ConversionResult::SourceNotReadable, FileKind::Missing, "plan.pln/x.pln"}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tarnwick
