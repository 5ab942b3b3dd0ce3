// tarnwick-generate-plan N: writes an FSX plan with N waypoints to standard output.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "plan_generator.h"

int main(int argc, char* argv[]) {
  int waypoints = -1;
  if (argc == 2) {
    const std::string_view text = argv[1];
    const auto result = std::from_chars(text.data(), text.data() + text.size(), waypoints);
    if (result.ptr != text.data() + text.size()) waypoints = -1;
  }
  if (waypoints < 0) {
    std::fputs("usage: tarnwick-generate-plan WAYPOINTS > plan.pln\n", stderr);
    return 2;
  }
  const std::string plan = tarnwick::GeneratePlan(waypoints);
  const bool written = std::fwrite(plan.data(), 1, plan.size(), stdout) == plan.size();
  return written && std::fflush(stdout) == 0 ? 0 : 1;
}
