#include "test_files.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "plan_conversion.h"

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

std::string Utf16(std::string_view utf8, bool bigEndian, bool withMark) {
  std::string wide;
  const auto unit = [&](char32_t value) {
    const char high = static_cast<char>(value >> 8 & 0xFF);
    const char low = static_cast<char>(value & 0xFF);
    wide += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  if (withMark) unit(0xFEFF);
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + length > utf8.size()) throw std::invalid_argument("not UTF-8");
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      value = value << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (value >= 0x10000) {
      unit(0xD800 + ((value - 0x10000) >> 10));
      unit(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      unit(value);
    }
    i += length;
  }
  return wide;
}

std::optional<std::string> ConvertInMemory(const std::string& source,
                                           ConversionObserver* observer) {
  SourceScanner scanner(std::make_unique<std::stringbuf>(source, std::ios::in),
                        Windows1252CaseRules());
  if (!IsFsxFlightPlan(scanner)) return std::nullopt;
  std::stringbuf target;
  TargetWriter writer(target);
  WriteFs9Plan(scanner, writer, observer);
  return target.str();
}

std::filesystem::path CorpusDir() { return TARNWICK_CORPUS_DIR; }

}  // namespace tarnwick::testing
