#pragma once

#include <cstdint>
#include <string>

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

}  // namespace tarnwick
