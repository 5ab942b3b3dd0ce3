#pragma once

#include <string>

namespace tarnwick {

// An FSX plan from Frankfurt to Munich with `waypoints` waypoint elements (intersections, VORs,
// NDBs and user waypoints in turn), CR LF line ends: input of any size for tests and measurements.
std::string GeneratePlan(int waypoints);

}  // namespace tarnwick
