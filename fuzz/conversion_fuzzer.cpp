// A whole conversion of any bytes from file to file. Beyond not crashing: the target exists only
// when the plan was converted, starts with the section and version lines, ends every line with
// CR LF, and the source keeps its bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "plan_conversion.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A folder of this process's own, removed when it ends.
struct WorkFolder {
  WorkFolder()
      : path(fs::temp_directory_path() /
             ("tarnwick-fuzz-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(path);
  }
  ~WorkFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

bool EveryLineEndsCrLf(const std::string& text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    if (i == 0 || text[i - 1] != '\r') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const WorkFolder folder;
  const fs::path source = folder.path / "plan.pln";
  const fs::path target = folder.path / "FS9_plan.pln";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(source, std::ios::binary | std::ios::trunc) << bytes;
  fs::remove(target);

  const tarnwick::ConversionResult result =
      tarnwick::ConvertFlightPlan(source.string(), target.string());

  if (ReadAll(source) != bytes) std::abort();
  switch (result) {
    case tarnwick::ConversionResult::NotFsxPlan:
      if (fs::exists(target)) std::abort();
      break;
    case tarnwick::ConversionResult::Converted: {
      const std::string written = ReadAll(target);
      if (written.rfind("[flightplan]\r\nAppVersion=9.1.40901\r\n", 0) != 0) std::abort();
      if (!EveryLineEndsCrLf(written)) std::abort();
      break;
    }
    case tarnwick::ConversionResult::TargetNotWritten:
      std::abort();  // the folder is writable: this would be a false failure
  }
  return 0;
}
