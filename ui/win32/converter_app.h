#pragma once

#include <windows.h>

#include "program_state.h"

namespace tarnwick {

// The application object: owns the program-wide state, creates and shows the main window and
// runs the message loop until the window is destroyed.
class ConverterApp {
 public:
  // Measures the primary screen once, before any window exists.
  ConverterApp();

  // Returns the program's exit code: 0 after a normal end.
  int Run(HINSTANCE instance);

 private:
  ProgramState state_;
  RECT screenRect_;
};

}  // namespace tarnwick
