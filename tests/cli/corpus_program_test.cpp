#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "file_conversion.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using testing::ReadFile;
using testing::TempDir;

// The real program over every corpus plan in one run, the FSX and later simulators' plans and the
// FS9 plans: no crash, the plans written exactly as the conversion writes them, the FS9 plans
// (which are no source plans) reported one line each.
TEST(ConvertProgramTest, ConvertsTheWholeCorpus) {
  TempDir dir;
  std::vector<std::string> plans;
  std::string command = std::string(TARNWICK_CONVERT_EXE) + " -o " + dir.File("out");
  for (const char* folder : {"fsx", "fs9"}) {
    for (const auto& entry : std::filesystem::directory_iterator(testing::CorpusDir() / folder)) {
      plans.push_back(entry.path().string());
      command += " '" + entry.path().string() + "'";
    }
  }
  std::filesystem::create_directory(dir.File("out"));
  command += " >" + dir.File("stdout") + " 2>" + dir.File("stderr");
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  int converted = 0;
  for (const std::string& plan : plans) {
    const std::string name = std::filesystem::path(plan).filename().string();
    const std::string written = dir.File("out/FS9_" + name);
    if (ConvertFlightPlan(plan, dir.File("expected.pln")).result != ConversionResult::Converted) {
      EXPECT_FALSE(std::filesystem::exists(written)) << name;
      EXPECT_NE(ReadFile(dir.File("stderr")).find(plan + ": Wrong format - no FSX Flightplan!\n"),
                std::string::npos);
      continue;
    }
    ++converted;
    EXPECT_EQ(ReadFile(written), ReadFile(dir.File("expected.pln"))) << name;
  }
  EXPECT_EQ(converted, 49);  // every plan of corpus/fsx, and none of corpus/fs9
  const std::string out = ReadFile(dir.File("stdout"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), converted);
}

}  // namespace
}  // namespace tarnwick
