#pragma once

namespace tarnwick {

// Holds the signals a user or the system sends to end a program in the ordinary way (on POSIX
// SIGINT, SIGTERM, SIGHUP and SIGQUIT; on Windows Ctrl-C and Ctrl-Break at the console) while a
// plan is overwritten in place, so that it is never left half-written. One that arrived meanwhile
// takes effect when the hold ends. Holds may nest; all are made on one thread.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
};

}  // namespace tarnwick
