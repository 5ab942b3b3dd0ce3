#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion_observer.h"
#include "header_airports.h"
#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

// Where the lines of a waypoint element end.
enum class ElementEnd {
  EndLine,          // its own end line
  NextStart,        // the next element's start line, which is then the scanner's line
  DocumentEndLine,  // the document's end line
  SourceEnd,        // the end of the source
};

// One of the values a waypoint element's lines give, as cut from its line.
struct ElementField {
  bool found = false;
  std::string value;

  void Take(std::string_view text) {
    found = true;
    value.assign(text);
  }
};

// What the lines of one waypoint element give, each value from the first line that holds its
// tag with the tag's end tag, in whatever order they come; reused from element to element.
struct WaypointElement {
  std::int64_t line = 0;  // the source line of its start tag, from 1
  std::string id;         // the id attribute's value as cut, empty without one
  ElementField type;
  ElementField position;
  ElementField region;
  ElementField ident;
  ElementEnd end = ElementEnd::EndLine;

  // Reads the element that the scanner's line (a start line) begins, up to its end.
  void Read(SourceScanner& scanner);
};

// Writes one line per complete waypoint element that follows the scanner's position, numbered
// from 0, and tells `observer` (when there is one) of every element left out. An airport element
// without a position of its own takes the one `airports` gives it. Stops early once the target
// has failed. Gives the number of lines written.
std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             const HeaderAirports& airports,
                             ConversionObserver* observer = nullptr);

}  // namespace tarnwick
