#include "markup_filter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tarnwick {

namespace {

constexpr std::string_view kCommentOpener = "<!--";
constexpr std::string_view kCommentCloser = "-->";
constexpr std::string_view kCdataOpener = "<![CDATA[";
constexpr std::string_view kCdataCloser = "]]>";

// Whether `bytes` may hold the start of an opener, or end with one cut off: both begin "<!".
bool MayHoldMarkup(const char* bytes, std::size_t size) {
  return std::memchr(bytes, '!', size) != nullptr || bytes[size - 1] == '<';
}

// The length of the longest end of `bytes` that begins `marker` but is not all of it.
std::size_t CutOffStart(std::string_view bytes, std::string_view marker) {
  for (std::size_t length = std::min(bytes.size(), marker.size() - 1); length > 0; --length) {
    if (marker.starts_with(bytes.substr(bytes.size() - length))) return length;
  }
  return 0;
}

void AppendLineEnds(std::string& out, std::string_view bytes) {
  for (const char byte : bytes) {
    if (byte == '\n' || byte == '\r') out.push_back(byte);
  }
}

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (const char byte : bytes) {
    if (byte == '&') {
      out.append("&amp;");
    } else if (byte == '<') {
      out.append("&lt;");
    } else if (byte == '>') {
      out.append("&gt;");
    } else {
      out.push_back(byte);
    }
  }
}

}  // namespace

std::size_t MarkupFilter::Read(char* into, std::size_t capacity) {
  if (capacity == 0) return 0;
  while (outFirst_ == out_.size()) {
    const std::size_t size = source_.Read(into, capacity);
    // Nearly every read holds no markup at all and is handed out where it lies.
    if (size > 0 && section_ == Section::Text && held_.empty() && !MayHoldMarkup(into, size)) {
      return size;
    }
    out_.clear();
    outFirst_ = 0;
    if (size == 0) {
      if (held_.empty()) return 0;
      const std::string rest = std::move(held_);
      held_.clear();
      Filter(rest, true);
      continue;
    }
    std::string bytes = std::move(held_);
    held_.clear();
    bytes.append(into, size);
    Filter(bytes, false);
  }
  return HandOut(into, capacity);
}

std::size_t MarkupFilter::HandOut(char* into, std::size_t capacity) {
  const std::size_t size = std::min(capacity, out_.size() - outFirst_);
  std::memcpy(into, out_.data() + outFirst_, size);
  outFirst_ += size;
  return size;
}

// Filters `bytes` into out_, left to right; short of the end, an opener or closer that the bytes
// may cut off is held back for the next read.
void MarkupFilter::Filter(std::string_view bytes, bool atEnd) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t next =
        section_ == Section::Text ? FilterText(bytes, at, atEnd) : FilterSection(bytes, at, atEnd);
    if (next == bytes.size() || next == at) {
      held_.assign(bytes.substr(next));
      return;
    }
    at = next;
  }
}

// Text up to the next opener, which starts its section; gives where filtering goes on.
std::size_t MarkupFilter::FilterText(std::string_view bytes, std::size_t from, bool atEnd) {
  for (std::size_t open = bytes.find("<!", from); open != std::string_view::npos;
       open = bytes.find("<!", open + 1)) {
    const std::string_view rest = bytes.substr(open);
    for (const auto& [opener, section] :
         {std::pair{kCommentOpener, Section::Comment}, std::pair{kCdataOpener, Section::Cdata}}) {
      if (rest.starts_with(opener)) {
        out_.append(bytes.substr(from, open - from));
        section_ = section;
        return open + opener.size();
      }
    }
    if (!atEnd && (kCommentOpener.starts_with(rest) || kCdataOpener.starts_with(rest))) {
      out_.append(bytes.substr(from, open - from));
      return bytes.size() - rest.size();
    }
  }
  const std::size_t held = atEnd ? 0 : CutOffStart(bytes.substr(from), kCommentOpener);
  out_.append(bytes.substr(from, bytes.size() - from - held));
  return bytes.size() - held;
}

// A comment's or CDATA section's bytes up to its closer, which ends it; gives where filtering
// goes on.
std::size_t MarkupFilter::FilterSection(std::string_view bytes, std::size_t from, bool atEnd) {
  const bool comment = section_ == Section::Comment;
  const std::string_view closer = comment ? kCommentCloser : kCdataCloser;
  const std::size_t close = bytes.find(closer, from);
  const std::size_t held =
      close != std::string_view::npos || atEnd ? 0 : CutOffStart(bytes.substr(from), closer);
  const std::size_t end = close == std::string_view::npos ? bytes.size() - held : close;
  const std::string_view content = bytes.substr(from, end - from);
  if (comment) {
    AppendLineEnds(out_, content);
  } else {
    AppendEscaped(out_, content);
  }
  if (close == std::string_view::npos) return end;
  section_ = Section::Text;
  return close + closer.size();
}

bool MarkupFilter::Rewind() {
  section_ = Section::Text;
  held_.clear();
  out_.clear();
  outFirst_ = 0;
  return source_.Rewind();
}

}  // namespace tarnwick
