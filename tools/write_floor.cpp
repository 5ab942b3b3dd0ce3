#include "write_floor.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "native_file.h"

namespace tarnwick {

std::error_code WriteFloor(const std::filesystem::path& source, std::string_view targetText,
                           const std::filesystem::path& target) {
  std::error_code error;
  std::vector<char> buffer(65536);
  NativeFile input = NativeFile::OpenForReading(source, error);
  while (!error && input.Read(buffer.data(), buffer.size(), error) > 0) {
  }
  if (error) return error;
  std::filesystem::path temporary = target;
  temporary += ".floor.tmp";
  NativeFile output = NativeFile::CreateNew(temporary, error);
  while (!error && !targetText.empty()) {
    const std::size_t lineEnd = targetText.find('\n');
    const std::size_t length = lineEnd == std::string_view::npos ? targetText.size() : lineEnd + 1;
    output.Write(targetText.data(), length, error);
    targetText.remove_prefix(length);
  }
  if (!error) output.Sync(error);
  if (!error) output.Close(error);
  bool onlyCopy = false;  // the floor's own file: nothing to keep
  if (!error) PutInPlace(temporary, target, error, onlyCopy);
  return error;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return std::move(text).str();
}

}  // namespace tarnwick
