#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case_rules.h"

namespace tarnwick::testing {

// What one read of the scanner delivers.
struct ModelRead {
  std::string line;
  std::int64_t number = 0;
  bool atEnd = false;
  bool exhausted = false;
  bool operator==(const ModelRead&) const = default;
};

// The scanner's line rules written out plainly, byte by byte and the slow obvious way, so that the
// scanner's fast paths have something independent to be compared with. Each stage reads the
// lines of the one before it, with a queue of what a look-ahead read but did not use:
//   the whole source decoded, then its comments dropped and its CDATA sections escaped;
//   physical lines: line ends, splits between tags, pieces of the budget, trimming, lowering;
//   tags: a tag left open at a line's end joined with the lines that close it, then each tag's
//   spelling made canonical;
//   values: a start tag's line joined with the lines up to its end tag.
class ScannerModel {
 public:
  // `source` as the scanner's stream holds it, not yet decoded.
  ScannerModel(std::string_view source, std::size_t maxLineBytes, const CaseRules& rules);

  ModelRead Read();
  // The last read met the end, or nothing could be read.
  bool Exhausted() const { return exhausted_; }

 private:
  struct Line {
    std::string text;
    std::int64_t number = 0;
    std::int64_t physical = 0;  // the physical line it began in, whatever number it is given
    bool whole = true;          // not cut by the budget, nor the rest of a line that was
    bool atEnd = false;
    bool exhausted = false;
  };

  Line ReadPhysical();
  Line NextPhysical();
  Line ReadTagLine();
  Line NextTagLine();
  Line ReadValueLine();

  const CaseRules& rules_;
  std::size_t maxLineBytes_;
  std::vector<int> tokens_;
  std::size_t next_ = 0;
  std::int64_t lineNumber_ = 0;
  std::int64_t nextLineNumber_ = 1;
  bool endOfInput_ = false;
  bool failed_ = false;
  bool lastWasFull_ = false;  // the last physical read stopped at the budget
  // After a tag joined over lines: the physical line it ended in, whose further lines take the
  // number of the line that the tag began in.
  std::optional<std::int64_t> renumberedLine_;
  std::int64_t renumberedTo_ = 0;
  std::deque<Line> physicalAhead_;
  std::deque<Line> tagLinesAhead_;
  bool exhausted_ = false;
};

}  // namespace tarnwick::testing
