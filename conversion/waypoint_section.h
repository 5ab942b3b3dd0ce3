#pragma once

#include <cstdint>
#include <string_view>

#include "plan_conversion.h"
#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

enum class WaypointSearch { Found, AtWaypointEnd, AtDocumentEnd, SourceExhausted };

// Reads on from the line after the last one read until a line holds `tag` (the scanner's line
// then holds the value) or ends the waypoint, the document or the source.
WaypointSearch FindWaypointElement(SourceScanner& scanner, std::string_view tag);

// Writes one line per complete waypoint element that follows the scanner's position, numbered
// from 0, and tells `observer` (when there is one) of every element left out. Stops early once
// the target has failed. Gives the number of lines written.
std::int64_t WaypointSection(SourceScanner& scanner, TargetWriter& writer,
                             ConversionObserver* observer = nullptr);

}  // namespace tarnwick
