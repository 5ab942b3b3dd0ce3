// What a user sees from tarnwick-convert for every kind of file and disk state that can go wrong:
// the exit status, the line on standard error, and what happens to the target. The source is
// never changed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "file_conversion.h"
#include "plan_generator.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::Utf16;
using testing::WriteFile;

namespace fs = std::filesystem;

const std::string kExample = ReadFile(std::string(TARNWICK_EXAMPLES_DIR) + "/EDDF-EDDM.pln");

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct ProgramRun {
  int status;
  std::string err;
};

// How the program is run: once to its end, killed part-way, four times at once, or stopped in
// the middle of overwriting its target by SIGTERM or by its standard error's pipe closing.
enum class Run { Once, KilledPartWay, FourAtOnce, TerminatedMidWrite, PipeClosedMidWrite };

// The exit status, or minus the signal that ended the program.
int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status); }

// Standard error goes into a pipe left unread until the program blocks on it, part-way through
// the warnings it writes while it overwrites the target; then SIGTERM is sent, or the pipe is
// closed, and what else the program writes is read to its end.
int RunStoppedMidWrite(const std::string& command, Run run) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return -1000;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDERR_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  // Until the pipe is all but full: then the program waits on it, part-way through its plan.
  for (int wait = 0; wait < 2000; ++wait) {
    int unread = 0;
    if (::ioctl(pipeEnds[0], FIONREAD, &unread) == 0 && unread > 60000) break;
    ::usleep(10'000);
  }
  if (run == Run::TerminatedMidWrite) {
    ::kill(child, SIGTERM);
    char drained[4096];
    while (::read(pipeEnds[0], drained, sizeof drained) > 0) {
    }
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return ExitStatus(status);
}

// Runs the real program. `unprivileged` runs it as nobody when the tests run as root, so that
// file permissions really deny access.
ProgramRun RunProgram(const TempDir& dir, const std::string& arguments, bool unprivileged, Run run,
                      double killAfter) {
  std::string command;
  if (unprivileged && ::geteuid() == 0) {
    command = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  command += std::string(TARNWICK_CONVERT_EXE) + " " + arguments + " >/dev/null";
  switch (run) {
    case Run::Once:
      break;
    case Run::TerminatedMidWrite:
    case Run::PipeClosedMidWrite:
      return {RunStoppedMidWrite(command, run), ""};
    case Run::KilledPartWay:
      // Somewhere in the reading or the writing; the run ends by SIGKILL unless it is done.
      std::system(("(" + command + " 2>/dev/null & pid=$!; sleep " + std::to_string(killAfter) +
                   "; kill -KILL $pid 2>/dev/null; wait $pid)")
                      .c_str());
      return {-1, ""};
    case Run::FourAtOnce: {
      const std::string each = "(" + command + " 2>>" + Quoted(dir.File("stderr")) +
                               " || echo failed >>" + Quoted(dir.File("stderr")) + ") & ";
      const int status = std::system(
          ("touch " + Quoted(dir.File("stderr")) + "; " + each + each + each + each + "wait")
              .c_str());
      return {ExitStatus(status), ReadFile(dir.File("stderr"))};
    }
  }
  const int status = std::system((command + " 2>" + Quoted(dir.File("stderr"))).c_str());
  return {ExitStatus(status), ReadFile(dir.File("stderr"))};
}

// The case cannot be prepared here (mounting is refused): it says so and does not run.
struct NotRun {
  std::string why;
};

// What is left on the small disk once the case is prepared.
enum class Disk {
  Unlimited,    // no small disk
  NoSpaceLeft,  // every byte taken
  NoInodeLeft,  // bytes left, but no file can be made
  NothingLeft,  // neither
};

// A 64 KiB tmpfs of a few inodes over the folder "out", unmounted when the guard goes.
class SmallDisk {
 public:
  explicit SmallDisk(std::string folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
    if (std::system(
            ("mount -t tmpfs -o size=64k,nr_inodes=8 tmpfs " + Quoted(folder_) + " 2>/dev/null")
                .c_str()) != 0) {
      throw NotRun{"mounting a tmpfs was refused, so the full-disk case did not run"};
    }
    mounted_ = true;
  }
  ~SmallDisk() {
    if (mounted_) std::system(("umount " + Quoted(folder_)).c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  void Fill(Disk disk) const {
    if (disk == Disk::NoSpaceLeft || disk == Disk::NothingLeft) FillSpace();
    if (disk == Disk::NoInodeLeft || disk == Disk::NothingLeft) FillInodes();
  }

 private:
  // Takes every byte that is left.
  void FillSpace() const {
    std::ofstream filler(folder_ + "/filler", std::ios::binary);
    const std::string block(512, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }

  // Takes every inode that is left, with empty files.
  void FillInodes() const {
    for (int i = 0; std::ofstream(folder_ + "/inode" + std::to_string(i)); ++i) {
    }
  }

  std::string folder_;
  bool mounted_ = false;
};

std::string TitleLineOfLength(std::size_t length) {
  return "<Title>" + std::string(length - 15, 't') + "</Title>";
}

std::string Example(const std::string& from, const std::string& to) {
  std::string text = kExample;
  text.replace(text.find(from), from.size(), to);
  return text;
}

enum class Target {
  Absent,     // no target may exist afterwards
  Converted,  // the target holds exactly what the conversion writes
  Untouched,  // a target prepared beforehand keeps its bytes
  OldOrNew,   // either the target prepared beforehand or exactly what the conversion writes
};

// Where the target goes: beside the source, into the folder "out", or into a missing folder.
enum class Output { Beside, Folder, MissingFolder };

struct HostileCase {
  std::string name;
  std::function<void(const TempDir&)> prepare;  // writes plan.pln (or not) and the rest
  Output output;
  bool unprivileged;
  int status;
  std::string reason;  // the end of the stderr line ("{target}" stands for the target's path)
  Target target;
  Run run = Run::Once;
  Disk disk = Disk::Unlimited;  // the folder "out" is a small tmpfs, filled after `prepare`
  std::string sourceName = "plan.pln";
};

void Source(const TempDir& dir, const std::string& bytes) {
  WriteFile(dir.File("plan.pln"), bytes);
}

std::string OutputArguments(const TempDir& dir, Output output) {
  switch (output) {
    case Output::Beside:
      return "";
    case Output::Folder:
      return "-o " + Quoted(dir.File("out"));
    case Output::MissingFolder:
      return "-o " + Quoted(dir.File("none"));
  }
  return "";
}

std::string TargetPath(const TempDir& dir, Output output, const std::string& sourceName) {
  switch (output) {
    case Output::Beside:
      return dir.File("FS9_" + sourceName);
    case Output::Folder:
      return dir.File("out/FS9_" + sourceName);
    case Output::MissingFolder:
      return dir.File("none/FS9_" + sourceName);
  }
  return "";
}

std::string ExpectedError(const std::string& source, std::string reason,
                          const std::string& target) {
  if (reason.empty()) return "";
  const std::size_t placeholder = reason.find("{target}");
  if (placeholder != std::string::npos) reason.replace(placeholder, 8, target);
  return "tarnwick-convert: " + source + ": " + reason + "\n";
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, TellsTheUserAndKeepsTheSource) {
  const HostileCase& hostile = GetParam();
  TempDir dir;
  std::optional<SmallDisk> disk;
  if (hostile.disk != Disk::Unlimited) {
    try {
      disk.emplace(dir.File("out"));
    } catch (const NotRun& notRun) {
      GTEST_SKIP() << notRun.why;
    }
  }
  hostile.prepare(dir);
  if (disk) disk->Fill(hostile.disk);
  const std::string source = dir.File(hostile.sourceName);
  const bool sourceIsFile = fs::is_regular_file(source);
  const std::string sourceBefore = sourceIsFile ? ReadFile(source) : "";
  const std::string target = TargetPath(dir, hostile.output, hostile.sourceName);
  const bool targetWasFile = fs::is_regular_file(target);
  const std::string targetBefore = targetWasFile ? ReadFile(target) : "";
  // What the conversion itself writes for this source, made once when a case needs it.
  std::optional<std::string> written;
  const auto expected = [&] {
    if (!written) {
      EXPECT_EQ(ConvertFlightPlan(source, dir.File("expected.pln")).result,
                ConversionResult::Converted);
      written = ReadFile(dir.File("expected.pln"));
    }
    return *written;
  };

  const auto checkTarget = [&] {
    switch (hostile.target) {
      case Target::Absent:
        EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << target;
        break;
      case Target::Untouched:
        if (targetWasFile) {
          fs::permissions(target, fs::perms::owner_read);
          EXPECT_TRUE(ReadFile(target) == targetBefore) << "the target was changed";
        }
        break;
      case Target::Converted:
        EXPECT_TRUE(ReadFile(target) == expected());
        break;
      case Target::OldOrNew: {
        const std::string now = ReadFile(target);
        EXPECT_TRUE(now == targetBefore || now == expected())
            << "the target holds part of a plan: " << now.size() << " bytes";
        break;
      }
    }
  };
  const std::string arguments = OutputArguments(dir, hostile.output) + " " + Quoted(source);
  if (hostile.run == Run::KilledPartWay) {
    for (const double killAfter : {0.05, 0.1, 0.15, 0.2, 0.3}) {
      RunProgram(dir, arguments, hostile.unprivileged, hostile.run, killAfter);
      checkTarget();
    }
  } else {
    const ProgramRun run = RunProgram(dir, arguments, hostile.unprivileged, hostile.run, 0);
    EXPECT_EQ(run.status, hostile.status);
    const bool errorRead =
        hostile.run != Run::TerminatedMidWrite && hostile.run != Run::PipeClosedMidWrite;
    if (errorRead) {
      EXPECT_EQ(run.err, ExpectedError(source, hostile.reason, target));
    }
    checkTarget();
  }
  if (sourceIsFile) {
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(ReadFile(source) == sourceBefore) << "the source was changed";
  }
  // Only a run that was killed may leave its temporary file, named after the target.
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".tmp") continue;
    EXPECT_EQ(hostile.run, Run::KilledPartWay) << name;
    EXPECT_EQ(name.rfind("FS9_" + hostile.sourceName + ".", 0), 0u) << name;
  }
}

const std::string kWrongFormat = "Wrong format - no FSX Flightplan!";
std::string NotWritten(const std::string& reason) {
  return "the FS9 plan {target} could not be written: " + reason;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, HostileInputTest,
    ::testing::Values(
        HostileCase{"Missing", [](const TempDir&) {}, Output::Beside, false, 1, "no such file",
                    Target::Absent},
        HostileCase{"Directory",
                    [](const TempDir& dir) { fs::create_directory(dir.File("plan.pln")); },
                    Output::Beside, false, 1, "no .pln plan in this folder", Target::Absent},
        HostileCase{"UnreadableFolder",
                    [](const TempDir& dir) {
                      fs::create_directory(dir.File("plan.pln"));
                      WriteFile(dir.File("plan.pln/inside.pln"), kExample);
                      fs::permissions(dir.File("plan.pln"), fs::perms::none);
                    },
                    Output::Beside, true, 1, "cannot be read: Permission denied", Target::Absent},
        HostileCase{
            "EndlessDevice",
            [](const TempDir& dir) { fs::create_symlink("/dev/zero", dir.File("plan.pln")); },
            Output::Beside, false, 1, "is not a regular file", Target::Absent},
        HostileCase{"Pipe",
                    [](const TempDir& dir) { ::mkfifo(dir.File("plan.pln").c_str(), 0644); },
                    Output::Beside, false, 1, "is not a regular file", Target::Absent},
        HostileCase{"Unreadable",
                    [](const TempDir& dir) {
                      Source(dir, kExample);
                      fs::permissions(dir.File("plan.pln"), fs::perms::none);
                    },
                    Output::Beside, true, 1, "cannot be read: Permission denied", Target::Absent},
        HostileCase{"Empty", [](const TempDir& dir) { Source(dir, ""); }, Output::Beside, false, 1,
                    kWrongFormat, Target::Absent},
        HostileCase{"OnlyLineEnds", [](const TempDir& dir) { Source(dir, "\r\n\n\r\r\r\n\n"); },
                    Output::Beside, false, 1, kWrongFormat, Target::Absent},
        HostileCase{"BinaryGarbage",
                    [](const TempDir& dir) {
                      std::mt19937 random(7);
                      std::string bytes(65536, '\0');
                      for (char& byte : bytes) byte = static_cast<char>(random());
                      Source(dir, bytes);
                    },
                    Output::Beside, false, 1, kWrongFormat, Target::Absent},
        HostileCase{"Utf16WithByteOrderMark",
                    [](const TempDir& dir) { Source(dir, Utf16(kExample, false)); }, Output::Beside,
                    false, 0, "", Target::Converted},
        HostileCase{"Utf16WithoutByteOrderMark",
                    [](const TempDir& dir) { Source(dir, Utf16(kExample, true, false)); },
                    Output::Beside, false, 1, kWrongFormat, Target::Absent},
        HostileCase{"HundredMegabytesWithoutLineEnd",
                    [](const TempDir& dir) { Source(dir, std::string(100'000'000, 'x')); },
                    Output::Beside, false, 1, kWrongFormat, Target::Absent},
        HostileCase{"TitleLineOfExactlyOnePiece",
                    [](const TempDir& dir) {
                      Source(dir,
                             Example("<Title>EDDF to EDDM</Title>", TitleLineOfLength(65536 - 8)));
                    },
                    Output::Beside, false, 0, "", Target::Converted},
        HostileCase{"TitleLineOneByteOverAPiece",
                    [](const TempDir& dir) {
                      Source(dir,
                             Example("<Title>EDDF to EDDM</Title>", TitleLineOfLength(65537 - 8)));
                    },
                    Output::Beside, false, 0, "", Target::Converted},
        HostileCase{"ZeroByteInsideATag",
                    [](const TempDir& dir) {
                      Source(dir, Example("<Title>", std::string("<Ti\0tle>", 8)));
                    },
                    Output::Beside, false, 0, "", Target::Converted},
        // Without the plan's start tag only the marker could make the file a plan: one written
        // over two lines is read joined, one in a comment is not read.
        HostileCase{"MarkerSplitAcrossLines",
                    [](const TempDir& dir) {
                      std::string text = Example("AceXML Document", "AceXML\r\nDocument");
                      text.replace(text.find("<FlightPlan.FlightPlan>"), 23, "<FlightPlan>");
                      Source(dir, text);
                    },
                    Output::Beside, false, 0, "", Target::Converted},
        HostileCase{"MarkerInAComment",
                    [](const TempDir& dir) {
                      std::string text = Example("<Descr>AceXML Document</Descr>",
                                                 "<!-- <Descr>AceXML Document</Descr> -->");
                      text.replace(text.find("<FlightPlan.FlightPlan>"), 23, "<FlightPlan>");
                      Source(dir, text);
                    },
                    Output::Beside, false, 1, kWrongFormat, Target::Absent},
        HostileCase{
            "PlanWithoutMarker",
            [](const TempDir& dir) { Source(dir, Example("<Descr>AceXML Document</Descr>", "")); },
            Output::Beside, false, 0, "", Target::Converted},
        HostileCase{
            "MarkerOnTheLastLineWithoutLineEnd",
            [](const TempDir&
                   dir) { Source(dir, "<?xml version=\"1.0\"?>\n<Descr>AceXML Document</Descr>"); },
            Output::Beside, false, 0, "", Target::Converted},
        HostileCase{"HundredThousandWaypoints",
                    [](const TempDir& dir) { Source(dir, GeneratePlan(100000)); }, Output::Beside,
                    false, 0, "", Target::Converted},
        HostileCase{
            "WaypointWithoutItsEndLine",
            [](const TempDir& dir) { Source(dir, Example("        </ATCWaypoint>\r\n", "")); },
            Output::Beside, false, 0, "", Target::Converted},
        HostileCase{
            "TruncatedInsideAWaypoint",
            [](const TempDir&
                   dir) { Source(dir, kExample.substr(0, kExample.find("<ICAOIdent>SPR"))); },
            Output::Beside, false, 0, "", Target::Converted},
        HostileCase{"WithoutDocumentEnd",
                    [](const TempDir& dir) { Source(dir, Example("</SimBase.Document>", "")); },
                    Output::Beside, false, 0, "", Target::Converted}),
    [](const auto& test) { return test.param.name; });

void OutputFolder(const TempDir& dir) {
  Source(dir, kExample);
  fs::create_directory(dir.File("out"));
}

void OldPlanInOutputFolder(const TempDir& dir) {
  OutputFolder(dir);
  WriteFile(dir.File("out/FS9_plan.pln"), "an FS9 plan edited by hand");
}

// A folder that refuses new files to the user, holding a plan the user may write.
void WritableTargetInReadOnlyFolder(const TempDir& dir, const std::string& old) {
  OutputFolder(dir);
  WriteFile(dir.File("out/FS9_plan.pln"), old);
  fs::permissions(dir.File("out/FS9_plan.pln"), fs::perms::all);
  fs::permissions(dir.File("out"), fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
}

// Every fourth waypoint has no type: its warning is written while the plan is, and the
// warnings fill a pipe long before the plan is whole.
std::string PlanWithManyWaypointsLeftOut() {
  std::string plan = GeneratePlan(8000);
  const std::string user = "<ATCWaypointType>User</ATCWaypointType>";
  for (std::size_t at = plan.find(user); at != std::string::npos; at = plan.find(user, at)) {
    plan.erase(at, user.size());
  }
  return plan;
}

const std::string kLongName = std::string(242, 'n') + ".pln";

INSTANTIATE_TEST_SUITE_P(
    Targets, HostileInputTest,
    ::testing::Values(
        HostileCase{"FolderMissing", [](const TempDir& dir) { Source(dir, kExample); },
                    Output::MissingFolder, false, 1, NotWritten("No such file or directory"),
                    Target::Absent},
        HostileCase{"ReadOnlyFolder",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      fs::permissions(dir.File("out"),
                                      fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
                    },
                    Output::Folder, true, 1, NotWritten("Permission denied"), Target::Absent},
        HostileCase{"ReadOnlyTarget",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      WriteFile(dir.File("out/FS9_plan.pln"), "keep me");
                      fs::permissions(dir.File("out/FS9_plan.pln"),
                                      fs::perms::owner_read | fs::perms::others_read);
                    },
                    Output::Folder, true, 1, NotWritten("Permission denied"), Target::Untouched},
        // Root may open it, but a read-only plan is refused to every user.
        HostileCase{"ReadOnlyTargetAsRoot",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      WriteFile(dir.File("out/FS9_plan.pln"), "keep me");
                      fs::permissions(dir.File("out/FS9_plan.pln"),
                                      fs::perms::owner_read | fs::perms::others_read);
                    },
                    Output::Folder, false, 1, NotWritten("Permission denied"), Target::Untouched},
        HostileCase{"FolderOfTheTargetsName",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      fs::create_directory(dir.File("out/FS9_plan.pln"));
                    },
                    Output::Folder, false, 1, NotWritten("Is a directory"), Target::Untouched},
        HostileCase{"TargetLinksToTheSource",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      fs::create_symlink(dir.File("plan.pln"), dir.File("out/FS9_plan.pln"));
                    },
                    Output::Folder, false, 1, NotWritten("it is the source plan itself"),
                    Target::Untouched},
        HostileCase{"DiskFull",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      fs::create_symlink("/dev/full", dir.File("out/FS9_plan.pln"));
                    },
                    Output::Folder, false, 1, NotWritten("No space left on device"),
                    Target::Untouched},
        // A device cannot be synced; what is written to it is converted all the same.
        HostileCase{"TargetLinksToTheNullDevice",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      fs::create_symlink("/dev/null", dir.File("out/FS9_plan.pln"));
                    },
                    Output::Folder, false, 0, "", Target::Untouched},
        HostileCase{"LongerTargetExists",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      WriteFile(dir.File("out/FS9_plan.pln"), std::string(1'000'000, 'x'));
                    },
                    Output::Folder, false, 0, "", Target::Converted},
        // The old plan, perhaps edited by hand in FS9, survives whatever stops the new one.
        HostileCase{"FullDiskOverAnExistingTarget",
                    [](const TempDir& dir) {
                      Source(dir, kExample);
                      WriteFile(dir.File("out/FS9_plan.pln"), "an FS9 plan edited by hand");
                    },
                    Output::Folder, false, 1, NotWritten("No space left on device"),
                    Target::Untouched, Run::Once, Disk::NoSpaceLeft},
        HostileCase{"KilledPartWay",
                    [](const TempDir& dir) {
                      Source(dir, GeneratePlan(100000));
                      WriteFile(dir.File("FS9_plan.pln"), "an FS9 plan edited by hand");
                    },
                    Output::Beside, false, 0, "", Target::OldOrNew, Run::KilledPartWay},
        HostileCase{"FourRunsAtOnce",
                    [](const TempDir& dir) {
                      Source(dir, GeneratePlan(2000));
                      WriteFile(dir.File("FS9_plan.pln"), "an FS9 plan edited by hand");
                    },
                    Output::Beside, false, 0, "", Target::Converted, Run::FourAtOnce},
        HostileCase{"ReadOnlyFolderWithWritableTarget",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      WriteFile(dir.File("out/FS9_plan.pln"), "old");
                      fs::permissions(dir.File("out/FS9_plan.pln"), fs::perms::all);
                      fs::permissions(dir.File("out"),
                                      fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
                    },
                    Output::Folder, true, 0, "", Target::Converted},
        HostileCase{"TargetIsALinkToAnotherPlan",
                    [](const TempDir& dir) {
                      OutputFolder(dir);
                      WriteFile(dir.File("edited.pln"), "old");
                      fs::create_symlink(dir.File("edited.pln"), dir.File("out/FS9_plan.pln"));
                    },
                    Output::Folder, false, 0, "", Target::Converted}),
    [](const auto& test) { return test.param.name; });

// Where no file can be made beside the target, or the disk fills up while the old plan is
// overwritten in place. The old plan, perhaps edited by hand in FS9, is never lost.
INSTANTIATE_TEST_SUITE_P(
    NoRoomBeside, HostileInputTest,
    ::testing::Values(
        // No file can be made beside it: the run fails and the old plan stays, never emptied.
        HostileCase{"NoInodeLeftOverAnExistingTarget",
                    [](const TempDir& dir) { OldPlanInOutputFolder(dir); }, Output::Folder, false,
                    1, NotWritten("No space left on device"), Target::Untouched, Run::Once,
                    Disk::NoInodeLeft},
        HostileCase{"NothingLeftOverAnExistingTarget",
                    [](const TempDir& dir) {
                      OldPlanInOutputFolder(dir);
                      Source(dir, GeneratePlan(1000));
                    },
                    Output::Folder, false, 1, NotWritten("No space left on device"),
                    Target::Untouched, Run::Once, Disk::NothingLeft},
        // The temporary name would pass the file system's 255 bytes: a shorter one is taken.
        HostileCase{"TargetNameOf250Bytes",
                    [](const TempDir& dir) {
                      WriteFile(dir.File(kLongName), kExample);
                      fs::create_directory(dir.File("out"));
                    },
                    Output::Folder, false, 0, "", Target::Converted, Run::Once, Disk::Unlimited,
                    kLongName},
        // Overwritten in place, a longer old plan leaves no tail.
        HostileCase{"ReadOnlyFolderWithLongerWritableTarget",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, std::string(1'000'000, 'x'));
                    },
                    Output::Folder, true, 0, "", Target::Converted},
        // Its bytes are held in memory while it is overwritten: a large one is not.
        HostileCase{"ReadOnlyFolderWithTargetOverTheLimit",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, std::string(5'000'000, 'x'));
                    },
                    Output::Folder, true, 1, NotWritten("File too large"), Target::Untouched},
        HostileCase{"ReadOnlyFolderWithWriteOnlyTarget",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, "old");
                      fs::permissions(dir.File("out/FS9_plan.pln"), fs::perms::owner_write |
                                                                        fs::perms::group_write |
                                                                        fs::perms::others_write);
                    },
                    Output::Folder, true, 1, NotWritten("Permission denied"), Target::Untouched},
        // Neither a closed pipe nor SIGTERM stops the plan half-way; the signal takes effect
        // once the plan is whole.
        HostileCase{"ReadOnlyFolderWithWritableTargetAndAClosedPipe",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, "an FS9 plan edited by hand");
                      Source(dir, PlanWithManyWaypointsLeftOut());
                    },
                    Output::Folder, true, 0, "", Target::Converted, Run::PipeClosedMidWrite},
        HostileCase{"ReadOnlyFolderWithWritableTargetAndSigterm",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, "an FS9 plan edited by hand");
                      Source(dir, PlanWithManyWaypointsLeftOut());
                    },
                    Output::Folder, true, -SIGTERM, "", Target::Converted, Run::TerminatedMidWrite},
        // The new plan does not fit in the old one's space: the old bytes are written back.
        HostileCase{"ReadOnlyFolderWithWritableTargetOnAFullDisk",
                    [](const TempDir& dir) {
                      WritableTargetInReadOnlyFolder(dir, "an FS9 plan edited by hand");
                      Source(dir, GeneratePlan(1000));
                    },
                    Output::Folder, true, 1, NotWritten("No space left on device"),
                    Target::Untouched, Run::Once, Disk::NoSpaceLeft}),
    [](const auto& test) { return test.param.name; });

// A report that cannot be written does not stop the conversions, but the run fails, as GNU
// tools end, naming the reason. Closed standard descriptors are no files to write plans into.
struct OutputCase {
  std::string name;
  std::string arguments;    // "{plans}" stands for the two plans
  std::string redirection;  // of the standard output and error
  std::string lastError;    // the last line on standard error, where it is a file
  bool converted;           // whether both plans are written
};

class HostileOutputTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(HostileOutputTest, ALostReportFailsTheRunAfterEveryPlan) {
  TempDir dir;
  // With a waypoint left out, so that a warning is written while each plan is.
  const std::string plan = Example("<ATCWaypointType>VOR</ATCWaypointType>", "");
  WriteFile(dir.File("a.pln"), plan);
  WriteFile(dir.File("b.pln"), plan);
  ASSERT_EQ(ConvertFlightPlan(dir.File("a.pln"), dir.File("expected.pln")).result,
            ConversionResult::Converted);
  std::string arguments = GetParam().arguments;
  const std::size_t plans = arguments.find("{plans}");
  if (plans != std::string::npos) {
    arguments.replace(plans, 7, Quoted(dir.File("a.pln")) + " " + Quoted(dir.File("b.pln")));
  }
  std::string redirection = GetParam().redirection;
  const std::size_t err = redirection.find("{stderr}");
  if (err != std::string::npos) redirection.replace(err, 8, Quoted(dir.File("stderr")));
  const int status = std::system(
      (std::string(TARNWICK_CONVERT_EXE) + " " + arguments + " " + redirection).c_str());
  EXPECT_EQ(ExitStatus(status), 1);
  if (err != std::string::npos) {
    const std::string written = ReadFile(dir.File("stderr"));
    EXPECT_EQ(written.substr(written.rfind('\n', written.size() - 2) + 1), GetParam().lastError);
  }
  for (const char* target : {"FS9_a.pln", "FS9_b.pln"}) {
    if (GetParam().converted) {
      EXPECT_TRUE(ReadFile(dir.File(target)) == ReadFile(dir.File("expected.pln"))) << target;
    } else {
      EXPECT_FALSE(fs::exists(dir.File(target))) << target;
    }
  }
}

const std::string kFullDisk = "tarnwick-convert: write error: No space left on device\n";

INSTANTIATE_TEST_SUITE_P(
    Reports, HostileOutputTest,
    ::testing::Values(OutputCase{"FullDisk", "{plans}", ">/dev/full 2>{stderr}", kFullDisk, true},
                      OutputCase{"BothStandardOutputsClosed", "{plans}", ">&- 2>&-", "", true},
                      OutputCase{"HelpOnAFullDisk", "--help", ">/dev/full 2>{stderr}", kFullDisk,
                                 false}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tarnwick
