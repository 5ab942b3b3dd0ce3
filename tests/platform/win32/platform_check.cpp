// Checks the Win32 platform layer where only the system can tell: a replacement that fails
// half-way as Windows' does when another program holds the new file, and Ctrl-C held. Run under
// Windows, or under Wine from the Linux test suite. Prints "N passed, N failed"; exits non-zero
// on a failure.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "checks.h"
#include "file_conversion.h"
#include "interruptions.h"
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

struct ReplacementCase {
  tarnwick::ReplacementCalls calls;
  bool named;  // whether the new plan can be named as the target after all
  const char* what;
};

// A replacement that fails with 1176 leaves the target gone, or still visible until another
// program lets go of it: the new plan is named in its place, or kept and the report says where.
void ReplacesThroughAFailedReplacement(const ReplacementCase& each) {
  const Folder folder("kept");
  WriteBytes(folder.File("Route.pln"), kPlan);
  WriteBytes(folder.File("FS9_Route.pln"), "old plan");
  tarnwick::ConvertFlightPlan(folder.File("Route.pln"), folder.File("FS9_Whole.pln"));
  const std::string whole = ReadBytes(folder.File("FS9_Whole.pln"));
  const CallsInPlace calls(each.calls);
  moves = 0;
  const tarnwick::ConversionReport report =
      tarnwick::ConvertFlightPlan(folder.File("Route.pln"), folder.File("FS9_Route.pln"));
  const fs::path kept = report.keptAs;
  if (each.named) {
    Check(report.result == tarnwick::ConversionResult::Converted && kept.empty() &&
              ReadBytes(folder.File("FS9_Route.pln")) == whole,
          each.what);
  } else {
    Check(report.result == tarnwick::ConversionResult::TargetNotWritten && moves == 5 &&
              kept.parent_path() == folder.Path() &&
              kept.filename().wstring().rfind(L"FS9_Route.pln.", 0) == 0 && !whole.empty() &&
              ReadBytes(kept) == whole,
          each.what);
  }
  int temporaries = 0;
  for (const auto& entry : fs::directory_iterator(folder.Path())) {
    if (entry.path().extension() == ".tmp") ++temporaries;
  }
  Check(temporaries == (each.named ? 0 : 1), "and no other temporary file is left");
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
  for (const ReplacementCase& each :
       {ReplacementCase{{ReplaceRemovingTheTargetOnly, MoveFileExW},
                        true,
                        "1176: the new plan is named as the target"},
        ReplacementCase{{ReplaceRemovingTheTargetOnly, MoveOfAHeldFile},
                        false,
                        "1176, held: the new plan is kept, after five tries, and told"},
        ReplacementCase{{ReplaceLeavingTheTargetToBeRemoved, MoveOfAHeldFile},
                        false,
                        "1176, held, the old name still there: the new plan is kept and told"}}) {
    ReplacesThroughAFailedReplacement(each);
  }
  HoldsCtrlC(argv[0]);
  return tarnwick::checks::Summary();
}
