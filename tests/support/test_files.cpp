#include "test_files.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace tarnwick::testing {

TempDir::TempDir() {
  // A random run number keeps parallel test processes apart.
  static const unsigned run = std::random_device{}();
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("tarnwick-test-" + std::to_string(run) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write test file " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read test file " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string JoinLines(std::initializer_list<std::string_view> lines, std::string_view lineEnd) {
  std::string joined;
  for (std::string_view line : lines) {
    joined += line;
    joined += lineEnd;
  }
  return joined;
}

std::filesystem::path CorpusDir() { return TARNWICK_CORPUS_DIR; }

}  // namespace tarnwick::testing
