#include "start_command.h"

#include <algorithm>

#include "file_conversion.h"
#include "target_name.h"
#include "utf8_path.h"

namespace tarnwick {

namespace {

// The folder is cut from the path by count alone: the path is not searched for a separator.
std::string FolderOf(const std::string& fullPath, const std::string& fileName) {
  const auto length =
      static_cast<std::ptrdiff_t>(fullPath.size()) - static_cast<std::ptrdiff_t>(fileName.size());
  return fullPath.substr(0, static_cast<std::size_t>(std::max<std::ptrdiff_t>(length, 0)));
}

// Counts what the conversion could not carry over; which waypoints, the window does not say.
class LeftOutCount : public ConversionObserver {
 public:
  void WaypointLeftOut(const LeftOutWaypoint& waypoint) override { counts.Add(waypoint.loss); }
  LeftOutCounts counts;
};

DisplayState Outcome(ConversionResult result) {
  switch (result) {
    case ConversionResult::Converted:
      return DisplayState::Converted;
    case ConversionResult::NotFsxPlan:
    case ConversionResult::SourceNotReadable:
      return DisplayState::WrongFormat;
    case ConversionResult::TargetNotWritten:
      break;
  }
  // Never report success for a plan that did not reach the disk.
  return DisplayState::NotConverted;
}

}  // namespace

void StartCommand(ProgramState& state, StartCommandPlatform& platform, const CaseRules& rules) {
  // Painted behind the dialog while it is up.
  state.DisplayState = DisplayState::Choosing;
  state.WaypointsLeftOut = {};
  state.KeptAs.clear();
  platform.RequestRepaint();

  const FileChoice choice = platform.ChooseSourceFile();
  if (choice.confirmed) {
    state.SourcePath = choice.fullPath;
    state.SourceName = choice.fileName;
    state.SourceFolder = FolderOf(choice.fullPath, choice.fileName);
  } else {
    state.FileChosen = false;
  }
  state.TargetName = TargetNameFor(state.SourceName);
  state.TargetPath = state.SourceFolder + state.TargetName;

  if (state.FileChosen) {
    LeftOutCount leftOut;
    const ConversionReport report =
        ConvertFlightPlan(Utf8Path(state.SourcePath), Utf8Path(state.TargetPath), rules, &leftOut);
    state.DisplayState = Outcome(report.result);
    state.WaypointsLeftOut = leftOut.counts;
    state.KeptAs = Utf8Text(report.keptAs.filename());
    platform.RequestRepaint();
  } else {
    state.DisplayState = DisplayState::NotConverted;
    platform.RequestRepaint();
    state.FileChosen = true;
  }
}

}  // namespace tarnwick
