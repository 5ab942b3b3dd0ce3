#pragma once

#include <filesystem>
#include <memory>
#include <streambuf>
#include <string>
#include <system_error>

#include "file_stream.h"
#include "interruptions.h"
#include "native_file.h"

namespace tarnwick {

// The FS9 plan while it is written. It goes into a new file beside the target, named after it
// ("FS9_Route.pln.1a2b3c.tmp", a shorter name where the target's leaves no room), which takes the
// target's place in one step when it is complete, so the target's name always holds either the
// old plan or the whole new one. When that file cannot be made, nothing is written, with one
// exception: a folder that refuses new files to this user, holding an old plan the user may
// write. That plan is then overwritten in place, its bytes kept in memory and written back if the
// new plan cannot be written whole. A target that is a device is written in place.
class TargetFile {
 public:
  // Refuses a target that is a folder, that may not be written or that is write-protected (a
  // rename would bypass its protection). A target that is a symbolic link is written through:
  // the link stays.
  static TargetFile Begin(const std::filesystem::path& target, std::error_code& error);

  ~TargetFile();
  TargetFile(TargetFile&& other) noexcept;
  TargetFile& operator=(TargetFile&&) = delete;
  TargetFile(const TargetFile&) = delete;
  TargetFile& operator=(const TargetFile&) = delete;

  std::streambuf& Stream() { return stream_; }
  // The first error of a write, if any.
  const std::error_code& WriteError() const { return stream_.Error(); }

  // Syncs the file to the disk and puts it in place. On failure the old target is as it was and
  // nothing of the new one is left, unless the failed replacement removed the old target: then
  // the new plan stays whole under its temporary name, which KeptAs() gives.
  void Commit(std::error_code& error);
  const std::filesystem::path& KeptAs() const { return keptAs_; }

 private:
  // The old plan while it is overwritten in place: its bytes, to be written back over a new plan
  // that does not fit, and the signals held until the file holds a whole plan again.
  struct OldPlan {
    explicit OldPlan(std::string oldBytes) : bytes(std::move(oldBytes)) {}
    std::string bytes;
    InterruptionsHeld held;
  };

  TargetFile(NativeFile file, std::filesystem::path target, std::filesystem::path temporary = {},
             std::unique_ptr<OldPlan> oldPlan = nullptr);

  static TargetFile Overwrite(NativeFile existing, const std::filesystem::path& target,
                              std::error_code& error);
  void Discard();
  void PutOldBytesBack();

  NativeFile file_;
  FileTargetBuffer stream_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;   // empty unless a temporary file is being written
  std::unique_ptr<OldPlan> oldPlan_;  // set only while an old plan is overwritten in place
  std::filesystem::path keptAs_;
};

}  // namespace tarnwick
