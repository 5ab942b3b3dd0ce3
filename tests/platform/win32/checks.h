#pragma once

// The check programs' own small framework: they run under Wine without a test library. Each
// failure prints its line; the closing line is the plain "N passed, N failed".
#include <cstdio>

namespace tarnwick::checks {

inline int passed = 0;
inline int failed = 0;

inline void Check(bool condition, const char* what) {
  if (condition) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what);
  }
}

// The program's exit status: non-zero when any check failed.
inline int Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace tarnwick::checks
