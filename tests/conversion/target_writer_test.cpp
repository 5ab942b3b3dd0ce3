#include "target_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <streambuf>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// Records each call that hands bytes over as one piece, and counts the flushes.
class RecordingTarget : public std::streambuf {
 public:
  std::vector<std::string> pieces;
  int syncs = 0;

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    pieces.emplace_back(bytes, static_cast<std::size_t>(count));
    return count;
  }
  int overflow(int byte) override {
    pieces.emplace_back(1, static_cast<char>(byte));
    return byte;
  }
  int sync() override {
    ++syncs;
    return 0;
  }
};

struct LineCase {
  std::string name;
  std::size_t length;  // of the text on each side of the number
};

class TargetWriterTest : public ::testing::TestWithParam<LineCase> {};

// Lines shorter and longer than the writer's first room, written one after the other, so that a
// line after a long one starts empty again.
TEST_P(TargetWriterTest, HandsEveryLineOverWholeInOneCallAndFlushesIt) {
  RecordingTarget target;
  TargetWriter writer(target);
  std::vector<std::string> expected;
  for (const std::int64_t number :
       {std::int64_t{0}, std::int64_t{-9223372036854775807 - 1}, std::int64_t{42}}) {
    const std::string before(GetParam().length, 'b');
    const std::string after(GetParam().length / 2, 'a');
    writer.WriteText(before);
    writer.WriteNumber(number);
    // Several pieces at once take room for all of them.
    writer.WriteText(after, ",", after);
    writer.EndLine();
    expected.push_back(before + std::to_string(number) + after + "," + after + "\r\n");
  }
  EXPECT_EQ(target.pieces, expected);
  EXPECT_EQ(target.syncs, 3);
  EXPECT_FALSE(writer.Failed());
}

INSTANTIATE_TEST_SUITE_P(Lengths, TargetWriterTest,
                         ::testing::Values(LineCase{"Empty", 0}, LineCase{"Short", 7},
                                           LineCase{"FillsTheFirstRoom", 156},
                                           LineCase{"JustOverTheFirstRoom", 160},
                                           LineCase{"ManyTimesTheFirstRoom", 70000}),
                         [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace tarnwick
