#include "written_targets.h"

#include "utf8_path.h"

namespace tarnwick {

std::optional<std::string> WrittenTargets::SourceOf(const std::string& target) const {
  if (sources_.empty()) return std::nullopt;
  const std::optional<FileIdentity> file = IdentityOf(Utf8Path(target));
  if (!file) return std::nullopt;
  const auto found = sources_.find(*file);
  if (found == sources_.end()) return std::nullopt;
  return found->second;
}

void WrittenTargets::Add(const std::string& target, const std::string& source) {
  if (const std::optional<FileIdentity> file = IdentityOf(Utf8Path(target))) {
    sources_.emplace(*file, source);
  }
}

}  // namespace tarnwick
