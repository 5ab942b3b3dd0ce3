#pragma once

namespace tarnwick {

// Holds the signals a user or the system sends to end a program in the ordinary way (on POSIX
// SIGINT, SIGTERM and SIGHUP; on Windows Ctrl-C and Ctrl-Break at the console) while a plan is
// overwritten in place, so that it is never left half-written. One that arrived meanwhile takes
// effect when the hold ends. Holds may nest; the program's single thread makes them.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
};

// A closed pipe on standard output or error is no reason to stop writing a plan: writes to it
// fail instead of ending the program (SIGPIPE on POSIX; Windows has none).
void IgnoreBrokenPipes();

}  // namespace tarnwick
