#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// The file layer's tests stand in for the C library's open, read, fsync and rename: they see the
// order in which the layer syncs and renames, and make a read or the making of a file fail as a
// failing disk or a refusing folder would.

// The fsync and rename calls since the last call of this, as "fsync PATH" and "rename FROM TO".
std::vector<std::string> TakeSyncAndRenameCalls();

// Every file made new (open with O_CREAT and O_EXCL) fails with `error`, until
// `EndCreationFailures`, as in a folder that refuses new files.
void FailCreationWith(int error);
void EndCreationFailures();

// The next rename fails with EIO, having removed its target first when `removingTheTarget`: a
// replacement that fails half-way, as Windows' may.
void FailNextRename(bool removingTheTarget);

// Every read after the next `successful` ones fails with EIO, until `EndReadFailures`.
void FailReadsAfter(int successful);
void EndReadFailures();

}  // namespace tarnwick::testing
