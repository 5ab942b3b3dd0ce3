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

// How many waypoints a conversion left out, by reason.
struct LeftOutCounts {
  std::int64_t noType = 0;
  std::int64_t noPosition = 0;
  std::int64_t planEnds = 0;

  std::int64_t Total() const { return noType + noPosition + planEnds; }
  void Add(WaypointLoss loss) {
    switch (loss) {
      case WaypointLoss::NoType:
        ++noType;
        return;
      case WaypointLoss::NoPosition:
        ++noPosition;
        return;
      case WaypointLoss::PlanEnds:
        ++planEnds;
        return;
    }
  }
  bool operator==(const LeftOutCounts&) const = default;
};

// Told what a conversion could not carry over; the bytes written do not depend on it.
class ConversionObserver {
 public:
  virtual ~ConversionObserver() = default;
  virtual void WaypointLeftOut(const LeftOutWaypoint& waypoint) = 0;
};

}  // namespace tarnwick
