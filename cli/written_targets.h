#pragma once

#include <map>
#include <optional>
#include <string>

#include "native_file.h"

namespace tarnwick {

// The FS9 plans one run has written, known as files: two spellings of one path, or a link to a
// plan written, are the same plan. A later source of the run that would replace one is refused,
// so that no converted plan is lost to a second source of the same name.
class WrittenTargets {
 public:
  // The source the plan at `target` was written from in this run, if it was.
  std::optional<std::string> SourceOf(const std::string& target) const;
  void Add(const std::string& target, const std::string& source);

 private:
  std::map<FileIdentity, std::string> sources_;
};

}  // namespace tarnwick
