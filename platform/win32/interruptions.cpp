// Ctrl-C and Ctrl-Break held by a console control handler that swallows them while a hold is in
// place. The system calls it on a thread of its own, so what it shares with the holds is atomic.
#include "interruptions.h"

#include <windows.h>

#include <atomic>

namespace tarnwick {

namespace {

std::atomic<int> depth{0};
std::atomic<bool> interrupted{false};

BOOL WINAPI HoldInterruption(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // Remembered before the hold is looked at: the outermost hold, ending, either sees the event or
  // was over already, and then the default handler behind this one ends the program.
  interrupted = true;
  return depth > 0 ? TRUE : FALSE;
}

}  // namespace

InterruptionsHeld::InterruptionsHeld() {
  if (depth++ > 0) return;
  SetConsoleCtrlHandler(HoldInterruption, TRUE);
}

InterruptionsHeld::~InterruptionsHeld() {
  if (--depth > 0) return;
  SetConsoleCtrlHandler(HoldInterruption, FALSE);
  // As the default handler ends a program that Ctrl-C or Ctrl-Break reached.
  if (interrupted.exchange(false)) ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace tarnwick
