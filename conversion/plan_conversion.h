#pragma once

#include <cstdint>

#include "conversion_observer.h"
#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

// Whether the source, from the scanner's position on, is a plan: a line holds FormatMarker, or a
// line holds DocumentStart and a later one PlanStart.
bool IsFsxFlightPlan(SourceScanner& scanner);

// Writes the whole FS9 plan of the scanner's source, header and waypoints, through `writer`,
// reading the source from its first line. Gives the number of waypoint lines written.
std::int64_t WriteFs9Plan(SourceScanner& scanner, TargetWriter& writer,
                          ConversionObserver* observer = nullptr);

}  // namespace tarnwick
