#pragma once

#include <string>

#include "case_rules.h"
#include "program_state.h"

namespace tarnwick {

struct FileChoice {
  bool confirmed = false;
  std::string fullPath;  // folder and name
  std::string fileName;  // name and extension only
};

// The two operations the Start command needs from the window system.
class StartCommandPlatform {
 public:
  virtual ~StartCommandPlatform() = default;
  // The open-file dialog; not confirmed when it is cancelled, closed or fails.
  virtual FileChoice ChooseSourceFile() = 0;
  // Asks for the whole window to be painted anew; returns at once.
  virtual void RequestRepaint() = 0;
};

// The program's work flow: lets the user choose an FSX plan, writes "FS9_" + its name beside it,
// and records the outcome in `state` for the window to paint.
void StartCommand(ProgramState& state, StartCommandPlatform& platform, const CaseRules& rules);

}  // namespace tarnwick
