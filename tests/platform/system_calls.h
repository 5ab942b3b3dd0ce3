#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// The file layer's tests stand in for the C library's read, fsync and rename: they see the order
// in which the layer syncs and renames, and make a read fail as a failing disk would.

// The fsync and rename calls since the last call of this, as "fsync PATH" and "rename FROM TO".
std::vector<std::string> TakeSyncAndRenameCalls();

// Every read after the next `successful` ones fails with EIO, until `EndReadFailures`.
void FailReadsAfter(int successful);
void EndReadFailures();

}  // namespace tarnwick::testing
