#include "canonical_lines.h"

#include <iterator>
#include <optional>
#include <utility>

#include "plan_format.h"
#include "white_space.h"

namespace tarnwick {

namespace {

// A '<' followed by one of these starts a tag; followed by anything else it is text.
constexpr bool StartsTag(char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte == '/' ||
         byte == '?' || byte == '!';
}

// The end of the tag that begins at `open` (a '<' that starts one): its '>', or npos when the
// line has none or another '<' comes first, which makes the one at `open` text.
std::size_t TagEnd(std::string_view text, std::size_t open) {
  for (std::size_t at = open + 1; at < text.size(); ++at) {
    if (text[at] == '>') return at;
    if (text[at] == '<') break;
  }
  return std::string_view::npos;
}

// The value of the first id attribute in the text of a tag (between its name and its '>'): `id`
// after white space, then `=` and a quoted value, white space allowed around the `=`.
std::optional<std::string_view> IdValue(std::string_view attributes) {
  for (std::size_t id = attributes.find("id"); id != std::string_view::npos;
       id = attributes.find("id", id + 1)) {
    if (id == 0 || !IsWhiteSpace(attributes[id - 1])) continue;
    std::size_t at = id + 2;
    while (at < attributes.size() && IsWhiteSpace(attributes[at])) ++at;
    if (at == attributes.size() || attributes[at] != '=') continue;
    ++at;
    while (at < attributes.size() && IsWhiteSpace(attributes[at])) ++at;
    if (at == attributes.size() || (attributes[at] != '"' && attributes[at] != '\'')) continue;
    const std::size_t close = attributes.find(attributes[at], at + 1);
    if (close == std::string_view::npos) continue;
    return attributes.substr(at + 1, close - at - 1);
  }
  return std::nullopt;
}

bool IsWaypointStartTag(std::string_view tag) {
  return tag.starts_with(WaypointTagName) && EndsWaypointTagName(tag[WaypointTagName.size()]);
}

// Whether a tag, from its '<' to its '>', is read as it stands: no white space before its '>'
// (or its "/>"), and a waypoint's start tag in the one spelling, `<atcwaypoint>` or
// `<atcwaypoint id="...">`.
bool IsCanonicalTag(std::string_view tag) {
  if (IsWaypointStartTag(tag)) {
    return tag == BareWaypointStart || (tag.starts_with(WaypointIdStart) &&
                                        tag.find('"', WaypointIdStart.size()) == tag.size() - 2);
  }
  const std::size_t last = tag.size() - 2;  // the byte before the '>'
  return !IsWhiteSpace(tag[last]) && (tag[last] != '/' || !IsWhiteSpace(tag[last - 1]));
}

// A tag, from its '<' to its '>', as the line rules read it.
std::string CanonicalTag(std::string_view tag) {
  if (IsWaypointStartTag(tag)) {
    const auto id =
        IdValue(tag.substr(WaypointTagName.size(), tag.size() - WaypointTagName.size() - 1));
    if (!id) return std::string(BareWaypointStart);
    std::string canonical(WaypointTagName);
    canonical.append(" id=\"").append(*id).append("\">");
    return canonical;
  }
  // White space before the '>', and then before a '/' that ends an empty element.
  std::string_view body = TrimTrailingWhiteSpace(tag.substr(0, tag.size() - 1));
  const bool empty = body.ends_with('/');
  if (empty) body = TrimTrailingWhiteSpace(body.substr(0, body.size() - 1));
  std::string canonical(body);
  canonical.append(empty ? "/>" : ">");
  return canonical;
}

// Rewrites every tag of `text` as CanonicalTag reads it.
void RewriteTags(std::string& text) {
  std::string rewritten;
  std::size_t copied = 0;
  for (std::size_t open = text.find('<'); open != std::string::npos && open + 1 < text.size();) {
    if (!StartsTag(text[open + 1])) {
      open = text.find('<', open + 1);
      continue;
    }
    const std::size_t close = TagEnd(text, open);
    if (close == std::string::npos) {
      open = text.find('<', open + 1);
      continue;
    }
    const std::string_view tag(text.data() + open, close + 1 - open);
    if (!IsCanonicalTag(tag)) {
      rewritten.append(text, copied, open - copied).append(CanonicalTag(tag));
      copied = close + 1;
    }
    open = text.find('<', close + 1);
  }
  if (copied == 0) return;
  rewritten.append(text, copied);
  text = std::move(rewritten);
}

// Whether the line holds `<atcwaypoint` followed by white space, '/' or '>'.
bool HoldsWaypointTag(std::string_view text) {
  for (std::size_t at = text.find(WaypointTagName); at != std::string_view::npos;
       at = text.find(WaypointTagName, at + 1)) {
    const std::size_t after = at + WaypointTagName.size();
    if (after < text.size() && EndsWaypointTagName(text[after])) return true;
  }
  return false;
}

// Whether the line ends inside a tag: its last '<' starts one, and no '>' follows.
bool EndsInsideTag(std::string_view text) {
  const std::size_t open = text.rfind('<');
  return open != std::string_view::npos && open + 1 < text.size() && StartsTag(text[open + 1]) &&
         text.find('>', open) == std::string_view::npos;
}

// The name of the start tag `<name>` that begins a line holding no other '<', where a value
// over lines may follow it; empty for any other line. A waypoint's start line never does.
std::string_view ValueStartName(std::string_view text) {
  if (text.size() < 3 || text[0] != '<' ||
      !((text[1] >= 'a' && text[1] <= 'z') || (text[1] >= 'A' && text[1] <= 'Z')) ||
      text == BareWaypointStart) {
    return {};
  }
  std::size_t end = 2;
  while (end < text.size() && !IsWhiteSpace(text[end]) && text[end] != '/' && text[end] != '>' &&
         text[end] != '<') {
    ++end;
  }
  if (end == text.size() || text[end] != '>') return {};
  if (text.find('<', end) != std::string_view::npos) return {};
  return text.substr(1, end - 1);
}

}  // namespace

CanonicalLines::CanonicalLines(std::unique_ptr<std::streambuf> source, const CaseRules& rules,
                               ScannerLimits limits)
    : reader_(std::move(source), rules, limits),
      maxLineBytes_(reader_.MaxLineBytes()),
      exhausted_(reader_.Exhausted()) {}

bool CanonicalLines::MayStartValue(std::string_view line) { return !ValueStartName(line).empty(); }

bool CanonicalLines::IsCanonicalWaypointTag(std::string_view fromTag) {
  // Nearly always `<atcwaypoint id="` and a value without '<' or '>' up to a quote that the
  // tag's '>' follows.
  if (fromTag.starts_with(WaypointIdStart)) {
    std::size_t at = WaypointIdStart.size();
    while (at < fromTag.size() && fromTag[at] != '"' && fromTag[at] != '<' && fromTag[at] != '>') {
      ++at;
    }
    if (at + 1 < fromTag.size() && fromTag[at] == '"' && fromTag[at + 1] == '>') return true;
  }
  const std::size_t close = TagEnd(fromTag, 0);
  // Without its '>' the '<' is text.
  return close == std::string_view::npos || IsCanonicalTag(fromTag.substr(0, close + 1));
}

std::string_view CanonicalLines::ReadTheLongWay() {
  current_ = NextLine();
  return TakeCurrentLine();
}

// The reader's line, a start tag alone or followed by text: looked at for a value over lines
// where it lies, with nothing else to rewrite.
std::string_view CanonicalLines::ReadValueStart() {
  HoldReaderLine(current_);
  JoinValueOverLines(current_);
  return TakeCurrentLine();
}

std::string_view CanonicalLines::TakeCurrentLine() {
  number_ = current_.number;
  atEnd_ = current_.atEnd;
  exhausted_ = current_.exhausted;
  // Mostly no '<' stands behind the first byte, and then the line starts no waypoint but by it.
  const std::string_view text = current_.text;
  mayStartWaypoint_ = text.find('<', 1) == std::string_view::npos
                          ? text.starts_with(WaypointTagName) &&
                                text.size() > WaypointTagName.size() &&
                                EndsWaypointTagName(text[WaypointTagName.size()])
                          : HoldsWaypointTag(text);
  return current_.text;
}

void CanonicalLines::HoldReaderLine(HeldLine& line) const {
  line.physical = reader_.LineNumber();
  line.number = line.physical == renumberedLine_ ? renumberedTo_ : line.physical;
  line.text.assign(reader_.Line());
  line.whole = reader_.Whole();
  line.atEnd = reader_.AtEndOfSource();
  line.exhausted = reader_.Exhausted();
}

CanonicalLines::HeldLine CanonicalLines::NextRawLine() {
  HeldLine line;
  if (readerLine_ == ReaderLine::Taken && !rawAhead_.empty()) {
    line = std::move(rawAhead_.front());
    rawAhead_.pop_front();
    return line;
  }
  if (readerLine_ == ReaderLine::Taken) reader_.Read();
  readerLine_ = ReaderLine::Taken;
  HoldReaderLine(line);
  return line;
}

// Where no line waits, the reader's next line is looked at where it lies: nearly always it needs
// no rewriting and holds a '<' (a value's start tag alone is mostly an element's, as `<icao>`),
// so it joins nothing and comes next as it stands.
bool CanonicalLines::PeekEndsNoValue(std::string_view endTag) {
  if (readerLine_ != ReaderLine::Taken || !rawAhead_.empty() || !linesAhead_.empty()) {
    return false;
  }
  const std::string_view next = reader_.Read();
  const Look look = LookAt(next);
  const bool joinsNothing =
      look != Look::Rewrite &&
      (!reader_.Whole() || reader_.Exhausted() ||
       (next.find('<') != std::string_view::npos && FindBytes(next, endTag, 0) < 0));
  readerLine_ = joinsNothing ? ReaderLine::Ahead : ReaderLine::Pending;
  aheadLook_ = look;
  return joinsNothing;
}

CanonicalLines::HeldLine CanonicalLines::NextTagLine() {
  HeldLine line = NextRawLine();
  JoinTagOverLines(line);
  RewriteTags(line.text);
  return line;
}

CanonicalLines::HeldLine CanonicalLines::NextLine() {
  HeldLine line;
  if (linesAhead_.empty()) {
    line = NextTagLine();
  } else {
    line = std::move(linesAhead_.front());
    linesAhead_.pop_front();
  }
  JoinValueOverLines(line);
  return line;
}

// A line that ends inside a tag, joined with the lines up to the one that closes it, each behind
// one space; the joined line is then split after that tag as the reader splits a physical line.
// Nothing is joined where a '<' comes before the closing '>' (the first '<' is then text), where
// a line is a piece of a longer one, where the source ends first, or past a read's budget.
void CanonicalLines::JoinTagOverLines(HeldLine& line) {
  // A joined line that is not split may end inside a tag again, which goes on over more lines.
  while (line.whole && !line.exhausted && EndsInsideTag(line.text)) {
    std::deque<HeldLine> ahead;
    std::string joined = line.text;
    std::size_t close = std::string::npos;
    for (;;) {
      ahead.push_back(NextRawLine());
      const HeldLine& next = ahead.back();
      if (!next.whole || next.exhausted || joined.size() + 1 + next.text.size() > maxLineBytes_) {
        break;
      }
      joined.append(1, ' ').append(next.text);
      const std::size_t mark = next.text.find_first_of("<>");
      if (mark == std::string::npos) continue;
      if (next.text[mark] == '>') close = joined.size() - next.text.size() + mark;
      break;
    }
    if (close == std::string::npos) {
      rawAhead_.insert(rawAhead_.begin(), std::make_move_iterator(ahead.begin()),
                       std::make_move_iterator(ahead.end()));
      return;
    }
    const HeldLine& last = ahead.back();
    renumberedLine_ = last.physical;
    renumberedTo_ = line.number;
    line.physical = last.physical;
    line.atEnd = last.atEnd;
    std::size_t next = close + 1;
    while (next < joined.size() && IsBlank(joined[next])) ++next;
    if (next < joined.size() && joined[next] == '<') {
      rawAhead_.push_front(
          {joined.substr(next), line.number, last.physical, true, last.atEnd, last.exhausted});
      joined.resize(close + 1);
      line.atEnd = false;
    }
    line.text = std::move(joined);
  }
}

// A line `<name>` + text that begins a value written over lines, joined with the lines up to the
// first that holds `</name>`, each behind one space (an end tag that begins its line, and an
// empty line, add none). Nothing is joined where a line before holds a '<', where a line is a
// piece of a longer one, where the source ends first, or past a read's budget.
void CanonicalLines::JoinValueOverLines(HeldLine& line) {
  if (!line.whole || line.exhausted) return;
  const std::string_view name = ValueStartName(line.text);
  if (name.empty()) return;
  std::string& endTag = endTag_;
  endTag.assign("</").append(name).append(">");
  if (PeekEndsNoValue(endTag)) return;
  std::size_t budget = line.text.size();
  std::size_t closing = 0;
  for (;; ++closing) {
    if (closing == linesAhead_.size()) linesAhead_.push_back(NextTagLine());
    const HeldLine& next = linesAhead_[closing];
    budget += next.text.size() + 1;
    if (!next.whole || next.exhausted || budget > maxLineBytes_) return;
    if (FindBytes(next.text, endTag, 0) >= 0) break;
    if (next.text.find('<') != std::string::npos) return;
  }
  // A space only between text on both sides: none behind the start tag itself.
  const std::size_t valueStart = endTag.size() - 1;
  for (std::size_t taken = 0; taken <= closing; ++taken) {
    HeldLine& next = linesAhead_.front();
    if (!next.text.starts_with(endTag) && !next.text.empty() && line.text.size() > valueStart) {
      line.text.append(1, ' ');
    }
    line.text.append(next.text);
    line.physical = next.physical;
    line.atEnd = next.atEnd;
    linesAhead_.pop_front();
  }
}

void CanonicalLines::Rewind() {
  mayStartWaypoint_ = false;
  rawAhead_.clear();
  linesAhead_.clear();
  readerLine_ = ReaderLine::Taken;
  renumberedLine_ = -1;
  reader_.Rewind();
  number_ = 0;
  atEnd_ = false;
  exhausted_ = reader_.Exhausted();
}

}  // namespace tarnwick
