#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {
class ConversionObserver;
}  // namespace tarnwick

namespace tarnwick::testing {

// A fresh folder of its own for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// Lines joined, each ended by `lineEnd`.
std::string JoinLines(std::initializer_list<std::string_view> lines,
                      std::string_view lineEnd = "\r\n");

// `utf8` encoded as UTF-16 in the given byte order, with or without its byte-order mark first.
std::string Utf16(std::string_view utf8, bool bigEndian, bool withMark = true);

// The whole conversion of `source` in memory, as the file layer runs it: the FS9 plan, or nothing
// when the source is no FSX plan. `observer`, when given, is told what the conversion left out.
std::optional<std::string> ConvertInMemory(const std::string& source,
                                           ConversionObserver* observer = nullptr);

// The folder of real FSX and FS9 plans that tests use as input.
std::filesystem::path CorpusDir();

}  // namespace tarnwick::testing
