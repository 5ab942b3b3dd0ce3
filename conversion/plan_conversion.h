#pragma once

#include <cstdint>
#include <string>

#include "source_scanner.h"
#include "target_writer.h"

namespace tarnwick {

// Why a waypoint element of the source has no line in the target.
enum class WaypointLoss {
  NoType,      // its end came before its type
  NoPosition,  // its end came before its position
  PlanEnds,    // the document or the file ended inside it
};

struct LeftOutWaypoint {
  std::int64_t line;       // the source line of its start tag, from 1
  std::string identifier;  // as the target would have carried it: upper case
  WaypointLoss loss;
};

// Told what a conversion could not carry over; the bytes written do not depend on it.
class ConversionObserver {
 public:
  virtual ~ConversionObserver() = default;
  virtual void WaypointLeftOut(const LeftOutWaypoint& waypoint) = 0;
};

// Whether the source, from the scanner's position on, is a plan: a line holds FormatMarker, or a
// line holds DocumentStart and a later one PlanStart.
bool IsFsxFlightPlan(SourceScanner& scanner);

// Writes the whole FS9 plan of the scanner's source, header and waypoints, through `writer`,
// reading the source from its first line. Gives the number of waypoint lines written.
std::int64_t WriteFs9Plan(SourceScanner& scanner, TargetWriter& writer,
                          ConversionObserver* observer = nullptr);

}  // namespace tarnwick
