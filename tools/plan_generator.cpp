#include "plan_generator.h"

#include <cstdio>

namespace tarnwick {

namespace {

constexpr const char* kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<SimBase.Document Type=\"AceXML\" version=\"1,0\">\r\n"
    "    <Descr>AceXML Document</Descr>\r\n"
    "    <FlightPlan.FlightPlan>\r\n"
    "        <Title>EDDF to EDDM</Title>\r\n"
    "        <FPType>IFR</FPType>\r\n"
    "        <RouteType>HighAlt</RouteType>\r\n"
    "        <CruisingAlt>29000</CruisingAlt>\r\n"
    "        <DepartureID>EDDF</DepartureID>\r\n"
    "        <DepartureLLA>N50\xC2\xB0 1' 59.40\",E8\xC2\xB0 34' "
    "14.80\",+000364.00</DepartureLLA>\r\n"
    "        <DestinationID>EDDM</DestinationID>\r\n"
    "        <DestinationLLA>N48\xC2\xB0 21' 13.60\",E11\xC2\xB0 47' 10.80\",+001486.00"
    "</DestinationLLA>\r\n"
    "        <Descr>EDDF, EDDM</Descr>\r\n"
    "        <DeparturePosition>PARKING 5</DeparturePosition>\r\n"
    "        <DepartureName>Frankfurt/Main</DepartureName>\r\n"
    "        <DestinationName>Muenchen</DestinationName>\r\n";

constexpr const char* kTypes[] = {"Intersection", "VOR", "NDB", "User"};

// "N48° 5' 7.25"": whole degrees and minutes, seconds with two decimals.
std::string Coordinate(char hemisphere, int degrees, int minutes, int hundredthsOfSecond) {
  char text[64];
  std::snprintf(text, sizeof text, "%c%d\xC2\xB0 %d' %d.%02d\"", hemisphere, degrees, minutes,
                hundredthsOfSecond / 100, hundredthsOfSecond % 100);
  return text;
}

void AppendWaypoint(std::string& plan, int number) {
  std::string id = "W";
  id += std::to_string(number);
  const std::string type = kTypes[number % 4];
  const int hundredths = (number * 7) % 6000;
  plan += "        <ATCWaypoint id=\"" + id + "\">\r\n";
  plan += "            <ATCWaypointType>" + type + "</ATCWaypointType>\r\n";
  plan += "            <WorldPosition>" +
          Coordinate('N', 48 + number % 3, number % 60, hundredths) + "," +
          Coordinate('E', 8 + number % 4, 59 - number % 60, hundredths) +
          ",+000000.00</WorldPosition>\r\n";
  if (type != "User") {
    plan += "            <ICAO>\r\n";
    plan += "                <ICAORegion>ED</ICAORegion>\r\n";
    plan += "                <ICAOIdent>" + id + "</ICAOIdent>\r\n";
    plan += "            </ICAO>\r\n";
  }
  plan += "        </ATCWaypoint>\r\n";
}

}  // namespace

std::string GeneratePlan(int waypoints) {
  std::string plan = kHeader;
  for (int number = 0; number < waypoints; ++number) AppendWaypoint(plan, number);
  plan += "    </FlightPlan.FlightPlan>\r\n</SimBase.Document>\r\n";
  return plan;
}

}  // namespace tarnwick
