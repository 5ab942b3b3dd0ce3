#pragma once

#include <string_view>

namespace tarnwick {

// The two plan formats as this tool reads and writes them: every tag of the source it looks for
// (normalised: lower case) and the fixed lines of the target.

// A source line that contains this, in any letter case, makes the file an FSX plan.
inline constexpr std::string_view FormatMarker = "<descr>acexml document</descr>";
// Without the marker, a line that holds the first and a later line that holds the second make
// the file a plan: the document of the later simulators, which leave the marker out.
inline constexpr std::string_view DocumentStart = "<simbase.document";
inline constexpr std::string_view PlanStart = "<flightplan.flightplan>";
// The normalised last line of the source document; it ends every search but the title's.
inline constexpr std::string_view DocumentEnd = "</simbase.document>";
// The normalised line that ends one waypoint element.
inline constexpr std::string_view WaypointEnd = "</atcwaypoint>";
// The normalised line that starts a waypoint element without an id attribute.
inline constexpr std::string_view BareWaypointStart = "<atcwaypoint>";
// A waypoint's start tag, as any writer spells it: this name, then white space, '/' or '>'.
inline constexpr std::string_view WaypointTagName = "<atcwaypoint";
constexpr bool EndsWaypointTagName(char byte) {
  return byte == ' ' || byte == '/' || byte == '>' || (byte >= '\t' && byte <= '\r');
}
// The start of the one spelling of a waypoint start tag with an id.
inline constexpr std::string_view WaypointIdStart = "<atcwaypoint id=\"";

namespace tags {
inline constexpr std::string_view Title = "<title>";
inline constexpr std::string_view Description = "<descr>";
inline constexpr std::string_view PlanType = "<fptype>";
inline constexpr std::string_view RouteType = "<routetype>";
inline constexpr std::string_view CruisingAltitude = "<cruisingalt>";
inline constexpr std::string_view DepartureId = "<departureid>";
inline constexpr std::string_view DeparturePosition = "<departurella>";
inline constexpr std::string_view DestinationId = "<destinationid>";
inline constexpr std::string_view DestinationPosition = "<destinationlla>";
inline constexpr std::string_view ParkingPosition = "<departureposition>";
inline constexpr std::string_view DepartureName = "<departurename>";
inline constexpr std::string_view DestinationName = "<destinationname>";
// The start tag with its attribute name; the identifier is cut from behind it by position.
inline constexpr std::string_view WaypointStart = "<atcwaypoint id=";
inline constexpr std::string_view WaypointType = "<atcwaypointtype>";
inline constexpr std::string_view WaypointTypeEnd = "</atcwaypointtype>";
inline constexpr std::string_view WorldPosition = "<worldposition>";
inline constexpr std::string_view WorldPositionEnd = "</worldposition>";
inline constexpr std::string_view Region = "<icaoregion>";
inline constexpr std::string_view RegionEnd = "</icaoregion>";
inline constexpr std::string_view Ident = "<icaoident>";
inline constexpr std::string_view IdentEnd = "</icaoident>";
}  // namespace tags

inline constexpr std::string_view SectionLine = "[flightplan]";
inline constexpr std::string_view AppVersionLine = "AppVersion=9.1.40901";

}  // namespace tarnwick
