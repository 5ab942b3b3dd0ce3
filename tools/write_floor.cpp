#include "write_floor.h"

#include <fstream>

#include "native_file.h"

namespace tarnwick {

std::error_code WriteFloor(const std::filesystem::path& source,
                           const std::vector<std::string>& lines,
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
  for (const std::string& line : lines) {
    if (!error) output.Write(line.data(), line.size(), error);
  }
  if (!error) output.Sync(error);
  if (!error) output.Close(error);
  if (!error) PutInPlace(temporary, target, error);
  return error;
}

std::vector<std::string> FileLines(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line + "\n");
  return lines;
}

}  // namespace tarnwick
