#pragma once

#include <string_view>

#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

// The normalised line that ends one waypoint element.
inline constexpr std::string_view WaypointEnd = "</atcwaypoint>";

enum class WaypointSearch { Found, AtWaypointEnd, AtDocumentEnd, SourceExhausted };

// Reads on from the line after the last one read until a line holds `tag` (the scanner's line
// then holds the value) or ends the waypoint, the document or the source.
WaypointSearch FindWaypointElement(SourceScanner& scanner, std::string_view tag);

// Writes one line per complete waypoint element that follows the scanner's position, numbered
// from 0. Stops early once the target has failed.
void WaypointSection(SourceScanner& scanner, TargetWriter& writer);

}  // namespace tarnwick
