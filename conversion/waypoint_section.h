#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "header_airports.h"
#include "plan_conversion.h"
#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

enum class WaypointSearch { Found, AtWaypointEnd, AtDocumentEnd, SourceExhausted };

// The value of the first line of a waypoint element that holds <icaoident>, as cut: the ident
// the element's waypoint is known by.
struct FirstIdent {
  bool seen = false;
  std::string value;

  // Takes the value of the scanner's line (which it cuts) when none was seen yet and the line
  // holds the tag.
  void Note(SourceScanner& scanner);
  // Forgets the ident of the element before, keeping the memory.
  void Reset() {
    seen = false;
    value.clear();
  }
};

// Reads on from the line after the last one read until a line holds `tag` (the scanner's line
// then holds the value) or ends the waypoint, the document or the source. Every other line read
// is shown to `ident`.
WaypointSearch FindWaypointElement(SourceScanner& scanner, std::string_view tag, FirstIdent& ident);

// Writes one line per complete waypoint element that follows the scanner's position, numbered
// from 0, and tells `observer` (when there is one) of every element left out. An airport element
// without a position of its own takes the one `airports` gives it. Stops early once the target
// has failed. Gives the number of lines written.
std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             const HeaderAirports& airports,
                             ConversionObserver* observer = nullptr);

}  // namespace tarnwick
