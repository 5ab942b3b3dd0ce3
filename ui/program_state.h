#pragma once

#include <string>

#include "conversion_observer.h"

namespace tarnwick {

// Which set of texts the main window shows. There is no value 2.
enum class DisplayState {
  Intro = 0,         // at start-up only
  Choosing = 1,      // while the open-file dialog is up
  Converted = 3,     // the chosen plan was converted
  NotConverted = 4,  // no file was chosen, or the FS9 plan could not be written
  WrongFormat = 5,   // the chosen file is not an FSX plan
};

// What the Start command records and the window paints. One instance lives as long as the
// desktop program; only the Start command writes it. Paths and names are UTF-8.
struct ProgramState {
  ::tarnwick::DisplayState DisplayState = ::tarnwick::DisplayState::Intro;
  std::string SourcePath;    // as the dialog returned it
  std::string SourceName;    // the file name with its extension, no folder
  std::string SourceFolder;  // the folder with its trailing separator
  std::string TargetName;    // "FS9_" + SourceName
  std::string TargetPath;    // SourceFolder + TargetName
  bool FileChosen = true;    // false only while a command handles a dialog left without a choice
  LeftOutCounts WaypointsLeftOut;  // source waypoints the last conversion could not carry over
  // The file name the new FS9 plan is kept under, beside the source, when a replacement that
  // failed half-way removed the old one; empty otherwise.
  std::string KeptAs;
};

}  // namespace tarnwick
