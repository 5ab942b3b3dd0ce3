// A whole conversion of any bytes, in memory as the file layer runs it: the format check, then
// the plan written from the same source. Beyond not crashing: a plan is written only when the
// check says so, starts with the section and version lines, ends every line with CR LF, and the
// source keeps its bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "plan_conversion.h"

namespace {

bool EveryLineEndsCrLf(const std::string& text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    if (i == 0 || text[i - 1] != '\r') return false;
  }
  return true;
}

// Counts what the observer is told, so that a report of a lost waypoint is exercised too.
class CountingObserver : public tarnwick::ConversionObserver {
 public:
  void WaypointLeftOut(const tarnwick::LeftOutWaypoint& waypoint) override {
    if (waypoint.line < 1) std::abort();
    ++count;
  }
  int count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  auto owned = std::make_unique<std::stringbuf>(bytes, std::ios::in);
  const std::stringbuf& source = *owned;
  tarnwick::SourceScanner scanner(std::move(owned), tarnwick::Windows1252CaseRules());
  std::stringbuf target;
  if (tarnwick::IsFsxFlightPlan(scanner)) {
    tarnwick::TargetWriter writer(target);
    CountingObserver observer;
    const std::int64_t waypoints = tarnwick::WriteFs9Plan(scanner, writer, &observer);
    const std::string written = target.str();
    if (writer.Failed() || waypoints < 0) std::abort();
    if (written.rfind("[flightplan]\r\nAppVersion=9.1.40901\r\n", 0) != 0) std::abort();
    if (!EveryLineEndsCrLf(written)) std::abort();
  }
  if (source.str() != bytes) std::abort();
  return 0;
}
