// Checks the Win32 platform layer where only the system can tell: a replacement under relative
// and \\?\ names, one that fails half-way as Windows' does when another program holds the new
// file, read-only targets, and Ctrl-C held. Run under Windows, or under Wine from the Linux test
// suite. Prints "N passed, N failed"; exits non-zero on a failure.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "checks.h"
#include "file_conversion.h"
#include "interruptions.h"
#include "native_file.h"
#include "replacement_calls.h"

namespace {

namespace fs = std::filesystem;

using tarnwick::checks::Check;

constexpr char kPlan[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SimBase.Document Type=\"AceXML\" version=\"1,0\">\n"
    "    <Descr>AceXML Document</Descr>\n"
    "    <FlightPlan.FlightPlan>\n"
    "        <Title>EDDF to EDDM</Title>\n"
    "        <DepartureID>EDDF</DepartureID>\n"
    "        <DestinationID>EDDM</DestinationID>\n"
    "        <ATCWaypoint id=\"TABUM\">\n"
    "            <ATCWaypointType>Intersection</ATCWaypointType>\n"
    "            <WorldPosition>N49\xC2\xB0 49' 12.00\",E8\xC2\xB0 58' 33.00\",+000000.00"
    "</WorldPosition>\n"
    "        </ATCWaypoint>\n"
    "    </FlightPlan.FlightPlan>\n"
    "</SimBase.Document>\n";

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own for each check, removed with it.
class Folder {
 public:
  explicit Folder(const char* name)
      : path_(fs::temp_directory_path() /
              ("tarnwick-check-" + std::to_string(GetCurrentProcessId()) + "-" + name)) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  fs::path File(const char* name) const { return path_ / name; }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The calls PutInPlace makes while it lives.
class CallsInPlace {
 public:
  explicit CallsInPlace(const tarnwick::ReplacementCalls& calls)
      : before_(tarnwick::UseReplacementCalls(calls)) {}
  ~CallsInPlace() { tarnwick::UseReplacementCalls(before_); }
  CallsInPlace(const CallsInPlace&) = delete;
  CallsInPlace& operator=(const CallsInPlace&) = delete;

 private:
  tarnwick::ReplacementCalls before_;
};

// What ReplaceFileW does when it cannot name the new file: the old one is gone already.
BOOL WINAPI ReplaceRemovingTheTargetOnly(LPCWSTR replaced, LPCWSTR, LPCWSTR, DWORD, LPVOID,
                                         LPVOID) {
  DeleteFileW(replaced);
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  return FALSE;
}

// As Windows does when another program still holds the old file open: its name stays until that
// program lets go, and the old plan is lost then.
BOOL WINAPI ReplaceLeavingTheTargetToBeRemoved(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  return FALSE;
}

int moves = 0;

// Another program holds the new file for good.
BOOL WINAPI MoveOfAHeldFile(LPCWSTR, LPCWSTR, DWORD) {
  ++moves;
  SetLastError(ERROR_SHARING_VIOLATION);
  return FALSE;
}

struct Replacement {
  fs::path target;
  fs::path temporary;
  std::error_code error;
  bool onlyCopy;
};

Replacement ReplaceInFolder(const Folder& folder) {
  Replacement replacement{
      folder.File("FS9_Route.pln"), folder.File("FS9_Route.pln.a1b2c3.tmp"), {}, false};
  WriteBytes(replacement.target, "old plan");
  WriteBytes(replacement.temporary, "new plan");
  tarnwick::PutInPlace(replacement.temporary, replacement.target, replacement.error,
                       replacement.onlyCopy);
  return replacement;
}

void ReplacesUnderRelativeNames() {
  const Folder folder("relative");
  WriteBytes(folder.File("FS9_Route.pln"), "old plan");
  WriteBytes(folder.File("new.tmp"), "new plan");
  const fs::path before = fs::current_path();
  fs::current_path(folder.Path());
  std::error_code error;
  bool onlyCopy = false;
  tarnwick::PutInPlace("new.tmp", "FS9_Route.pln", error, onlyCopy);
  fs::current_path(before);
  Check(!error, "a relative name is replaced");
  Check(ReadBytes(folder.File("FS9_Route.pln")) == "new plan", "by the new bytes");
}

void ReplacesUnderLongPathNames() {
  const Folder folder("long");
  const fs::path prefixed = L"\\\\?\\" + fs::absolute(folder.Path()).wstring();
  WriteBytes(folder.File("FS9_Route.pln"), "old plan");
  WriteBytes(folder.File("new.tmp"), "new plan");
  std::error_code error;
  bool onlyCopy = false;
  tarnwick::PutInPlace(prefixed / "new.tmp", prefixed / "FS9_Route.pln", error, onlyCopy);
  Check(!error, "a \\\\?\\ name is replaced");
  Check(ReadBytes(folder.File("FS9_Route.pln")) == "new plan", "by the new bytes under \\\\?\\");
}

void NamesTheNewPlanWhenTheReplacementLeftItUnnamed() {
  const Folder folder("unnamed");
  const CallsInPlace calls({ReplaceRemovingTheTargetOnly, MoveFileExW});
  const Replacement replacement = ReplaceInFolder(folder);
  Check(!replacement.error, "1176: the new plan is named as the target");
  Check(ReadBytes(replacement.target) == "new plan", "1176: the target holds the new plan");
  Check(!fs::exists(replacement.temporary), "1176: no temporary file is left");
}

void KeepsTheNewPlanWhenItCannotBeNamed() {
  const Folder folder("held");
  const CallsInPlace calls({ReplaceRemovingTheTargetOnly, MoveOfAHeldFile});
  moves = 0;
  const Replacement replacement = ReplaceInFolder(folder);
  Check(replacement.error == std::error_code(ERROR_SHARING_VIOLATION, std::system_category()),
        "1176, held: the naming's error comes back");
  Check(moves == 5, "1176, held: the naming is tried five times");
  Check(replacement.onlyCopy, "1176, held: the temporary file is told to be the only copy");
  Check(!fs::exists(replacement.target), "1176, held: the target is gone, as Windows leaves it");
  Check(ReadBytes(replacement.temporary) == "new plan",
        "1176, held: the temporary file keeps the new plan");
}

// Whether the old name is gone already or still visible until another program lets go of it.
void ConversionTellsWhereTheNewPlanIsKept(tarnwick::ReplacementCalls failing) {
  const Folder folder("kept");
  WriteBytes(folder.File("Route.pln"), kPlan);
  WriteBytes(folder.File("FS9_Route.pln"), "old plan");
  tarnwick::ConvertFlightPlan(folder.File("Route.pln"), folder.File("FS9_Whole.pln"));
  const CallsInPlace calls(failing);
  const tarnwick::ConversionReport report =
      tarnwick::ConvertFlightPlan(folder.File("Route.pln"), folder.File("FS9_Route.pln"));
  Check(report.result == tarnwick::ConversionResult::TargetNotWritten,
        "1176, held: the conversion fails");
  Check(!report.keptAs.empty() && report.keptAs.parent_path() == folder.Path() &&
            report.keptAs.filename().wstring().rfind(L"FS9_Route.pln.", 0) == 0,
        "1176, held: the report names the temporary file beside the target");
  const std::string whole = ReadBytes(folder.File("FS9_Whole.pln"));
  Check(!whole.empty() && ReadBytes(report.keptAs) == whole,
        "1176, held: the kept file holds the whole FS9 plan");
}

void RefusesAReadOnlyTarget() {
  const Folder folder("read-only");
  const fs::path target = folder.File("FS9_Route.pln");
  WriteBytes(folder.File("Route.pln"), kPlan);
  WriteBytes(target, "edited in FS9");
  Check(!tarnwick::IsWriteProtected(target), "a plain file is not write-protected");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  Check(tarnwick::IsWriteProtected(target), "a read-only file is write-protected");
  const tarnwick::ConversionReport report =
      tarnwick::ConvertFlightPlan(folder.File("Route.pln"), target);
  Check(report.result == tarnwick::ConversionResult::TargetNotWritten &&
            report.reason == "Permission denied",
        "a read-only target is refused: Permission denied");
  Check(ReadBytes(target) == "edited in FS9", "and left as it was");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  Check(!tarnwick::IsWriteProtected(folder.File("missing.pln")),
        "a missing file is not write-protected");
}

// Run as a program of its own, on a console of its own: Ctrl-C within two holds, the outer one
// ended only after "held" is written to `log`; with `withEvent` false, holds without one.
int HoldInterruptions(const wchar_t* log, bool withEvent) {
  {
    const tarnwick::InterruptionsHeld outer;
    {
      const tarnwick::InterruptionsHeld inner;
      if (withEvent) GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
      // The system's handler thread takes a moment to run.
      Sleep(500);
    }
    WriteBytes(log, "held");
  }
  return 0;
}

struct HoldCase {
  const wchar_t* mode;
  DWORD exitCode;
  const char* what;
};

void HoldsCtrlC(const wchar_t* self) {
  for (const HoldCase& each :
       {HoldCase{L"ctrl-c-held", STATUS_CONTROL_C_EXIT,
                 "Ctrl-C in a hold ends the program as Windows would, once the outermost ends"},
        HoldCase{L"nothing-held", 0, "a hold without Ctrl-C lets the program go on"}}) {
    const Folder folder("interruption");
    const fs::path log = folder.File("log");
    std::wstring command =
        L"\"" + std::wstring(self) + L"\" " + each.mode + L" \"" + log.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD exitCode = 1;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                       nullptr, nullptr, &startup, &process)) {
      WaitForSingleObject(process.hProcess, 30000);
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    Check(exitCode == each.exitCode && ReadBytes(log) == "held", each.what);
  }
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  if (argc == 3) return HoldInterruptions(argv[2], std::wstring(argv[1]) == L"ctrl-c-held");
  ReplacesUnderRelativeNames();
  ReplacesUnderLongPathNames();
  NamesTheNewPlanWhenTheReplacementLeftItUnnamed();
  KeepsTheNewPlanWhenItCannotBeNamed();
  ConversionTellsWhereTheNewPlanIsKept({ReplaceRemovingTheTargetOnly, MoveOfAHeldFile});
  ConversionTellsWhereTheNewPlanIsKept({ReplaceLeavingTheTargetToBeRemoved, MoveOfAHeldFile});
  RefusesAReadOnlyTarget();
  HoldsCtrlC(argv[0]);
  return tarnwick::checks::Summary();
}
