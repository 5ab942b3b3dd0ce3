// Signals held by blocking them: the kernel keeps one that arrives pending, and delivers it as
// soon as the mask in place before the hold is restored.
#include "interruptions.h"

#include <pthread.h>
#include <signal.h>

namespace tarnwick {

namespace {

// The mask each hold restores; the outermost one restores the program's own.
thread_local sigset_t maskBefore;
thread_local int depth = 0;

}  // namespace

InterruptionsHeld::InterruptionsHeld() {
  if (depth++ > 0) return;
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigaddset(&held, SIGHUP);
  sigaddset(&held, SIGQUIT);
  pthread_sigmask(SIG_BLOCK, &held, &maskBefore);
}

InterruptionsHeld::~InterruptionsHeld() {
  if (--depth > 0) return;
  pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
}

}  // namespace tarnwick
