#pragma once

#include <windows.h>

namespace tarnwick {

// The two system calls that put a new plan in a target's place, behind pointers so that a test
// can make them fail as the system does only now and then (a virus scanner holding a new file).
struct ReplacementCalls {
  decltype(&ReplaceFileW) replace = ReplaceFileW;
  decltype(&MoveFileExW) move = MoveFileExW;
};

// Makes PutInPlace use `calls` and returns those it used before. For tests only.
ReplacementCalls UseReplacementCalls(const ReplacementCalls& calls);

}  // namespace tarnwick
