#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// An airport as its header line (departure_id= or destination_id=) in the target has it.
struct HeaderAirport {
  std::string identifier;  // as written: upper case
  // The text written after the identifier and ", ", where the source gave a coordinate; an empty
  // or missing one places nothing.
  std::optional<std::string> position;
};

// The plan's two airports, for its airport waypoints that have no position of their own: later
// planners write the airports' elements with an ident only and their positions in the header.
struct HeaderAirports {
  HeaderAirport departure;
  HeaderAirport destination;

  // The position of the airport written as `identifier`, the departure first; nothing for an
  // empty identifier, another one, or an airport whose header gave no coordinate.
  std::optional<std::string_view> PositionOf(std::string_view identifier) const {
    if (identifier.empty()) return std::nullopt;
    for (const HeaderAirport* airport : {&departure, &destination}) {
      if (airport->position && airport->identifier == identifier) return *airport->position;
    }
    return std::nullopt;
  }
};

}  // namespace tarnwick
