#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "line_reader.h"
#include "plan_format.h"

namespace tarnwick {

// The source's lines in one spelling, whatever XML layout the plan's writer chose, so that the
// line rules find every element as in the common layout: a tag written over several lines is
// read as one line; white space before the '>' of a tag is dropped; a waypoint's start tag reads
// `<atcwaypoint id="...">` (or `<atcwaypoint>` without an id) whatever its quotes and other
// attributes; and a value written over lines is joined into the line of its start tag.
class CanonicalLines {
 public:
  // A null `source` is a source that could not be opened: every read fails.
  CanonicalLines(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                 ScannerLimits limits = {});

  // The next line, valid until the next read. Inline: nearly every line is read as it stands.
  std::string_view Read() {
    if (rawAhead_.empty() && linesAhead_.empty()) {
      if (readerLine_ == ReaderLine::Ahead) {
        readerLine_ = ReaderLine::Taken;
        return aheadLook_ == Look::ValueStart ? ReadValueStart() : TakeReaderLine(aheadLook_);
      }
      const std::string_view line = reader_.Read();
      const Look look = LookAt(line);
      if (look >= Look::Plain) return TakeReaderLine(look);
      if (look == Look::ValueStart) return ReadValueStart();
      readerLine_ = ReaderLine::Pending;
    }
    return ReadTheLongWay();
  }

  // The number of the physical source line that the last line began in, from 1.
  std::int64_t LineNumber() const { return number_; }
  bool AtEndOfSource() const { return atEnd_; }
  bool Exhausted() const { return exhausted_; }
  // The line holds `<atcwaypoint` followed by white space, '/' or '>': it may start a waypoint
  // element, which no other line does.
  bool MayStartWaypoint() const { return mayStartWaypoint_; }
  const CaseRules& Rules() const { return reader_.Rules(); }

  // Back to the first line; the end of the source no longer counts as met.
  void Rewind();
  void Close() { reader_.Close(); }

 private:
  // A line read ahead, or made of several: owned, with what the reader told of it.
  struct HeldLine {
    std::string text;
    std::int64_t number = 0;    // as LineNumber gives it
    std::int64_t physical = 0;  // of the physical line its last bytes came from
    bool whole = true;
    bool atEnd = false;
    bool exhausted = false;
  };

  // What a line of the reader needs: rewriting, or nothing, and whether it may start a waypoint.
  enum class Look { Rewrite, ValueStart, Plain, PlainWaypointStart };
  // A line needs no rewriting where it took the reader's short way (no white space before a
  // '>'), ends with a '>' (no tag left open), holds no waypoint start tag of another spelling
  // and is no start tag alone that a value over lines may follow.
  Look LookAt(std::string_view line) const {
    if (reader_.LineNumber() == renumberedLine_) return Look::Rewrite;
    if (line.empty()) return Look::Plain;
    if (!reader_.TookShortWay() || line.back() != '>') return Look::Rewrite;
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    // Most lines begin with their tag.
    const char* open = begin[0] == '<' ? begin : Find('<', begin, end);
    const char* const first = open;
    bool only = true;  // no '<' but the first
    Look look = Look::Plain;
    for (; open != nullptr; open = Find('<', open + 1, end)) {
      const std::string_view fromTag(open, static_cast<std::size_t>(end - open));
      if (fromTag.size() > WaypointTagName.size() && fromTag[1] == 'a' &&
          fromTag.starts_with(WaypointTagName) &&
          EndsWaypointTagName(fromTag[WaypointTagName.size()])) {
        if (!IsCanonicalWaypointTag(fromTag)) return Look::Rewrite;
        look = Look::PlainWaypointStart;
      }
      if (open != first) only = false;
    }
    // A line of one '<', its first byte: `<name>` may begin a value over lines.
    // (A waypoint's start tag with an id has attributes, so begins none.)
    const bool mayStartValue = only && first == begin && IsAsciiLetter(line[1]) &&
                               (look == Look::Plain || line[WaypointTagName.size()] == '>');
    return mayStartValue && MayStartValue(line) ? Look::ValueStart : look;
  }
  static const char* Find(char byte, const char* from, const char* end) {
    return static_cast<const char*>(std::memchr(from, byte, static_cast<std::size_t>(end - from)));
  }
  std::string_view TakeReaderLine(Look look) {
    number_ = reader_.LineNumber();
    atEnd_ = reader_.AtEndOfSource();
    exhausted_ = reader_.Exhausted();
    mayStartWaypoint_ = look == Look::PlainWaypointStart;
    return reader_.Line();
  }
  static constexpr bool IsAsciiLetter(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
  }
  // Whether a line whose only '<' is its first byte begins a value over lines: `<name>`.
  static bool MayStartValue(std::string_view line);
  // `fromTag` begins with a waypoint start tag's name: false only where its rewriting would
  // change it.
  static bool IsCanonicalWaypointTag(std::string_view fromTag);

  std::string_view ReadTheLongWay();
  std::string_view ReadValueStart();
  // The current line delivered: its text, with what the reader told of it.
  std::string_view TakeCurrentLine();
  void HoldReaderLine(HeldLine& line) const;
  HeldLine NextRawLine();
  HeldLine NextTagLine();
  HeldLine NextLine();
  void JoinTagOverLines(HeldLine& line);
  void JoinValueOverLines(HeldLine& line);
  bool PeekEndsNoValue(std::string_view endTag);

  LineReader reader_;
  std::size_t maxLineBytes_;
  // Lines read ahead: as the reader gave them (or the rest of a tag joined over lines), and with
  // their tags joined and rewritten, each in the order read.
  std::deque<HeldLine> rawAhead_;
  std::deque<HeldLine> linesAhead_;
  // The reader's last line: taken; read but not yet taken, the first of the long way; or read
  // ahead, needing no rewriting, and next to come (aheadLook_ tells what it is).
  enum class ReaderLine { Taken, Pending, Ahead };
  ReaderLine readerLine_ = ReaderLine::Taken;
  Look aheadLook_ = Look::Plain;
  // The lines of a tag joined over lines keep the number of its first; so do the later lines the
  // reader splits off its last physical line.
  std::int64_t renumberedLine_ = -1;
  std::int64_t renumberedTo_ = 0;
  HeldLine current_;
  std::string endTag_;  // of the value whose lines are joined
  std::int64_t number_ = 0;
  bool mayStartWaypoint_ = false;
  bool atEnd_ = false;
  bool exhausted_ = false;
};

}  // namespace tarnwick
