// Speed of the conversion: one position, and whole plans of growing size against a plain copy of
// the same file, the floor that any conversion of a file must pay.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "file_conversion.h"
#include "plan_generator.h"
#include "position_conversion.h"

namespace tarnwick {
namespace {

// A generated plan on disk, removed afterwards.
class PlanOnDisk {
 public:
  explicit PlanOnDisk(int waypoints)
      : folder_(std::filesystem::temp_directory_path() /
                ("tarnwick-bench-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(folder_);
    const std::string plan = GeneratePlan(waypoints);
    std::ofstream(Source(), std::ios::binary) << plan;
    bytes_ = static_cast<std::int64_t>(plan.size());
  }
  ~PlanOnDisk() { std::filesystem::remove_all(folder_); }
  PlanOnDisk(const PlanOnDisk&) = delete;
  PlanOnDisk& operator=(const PlanOnDisk&) = delete;

  std::string Source() const { return (folder_ / "plan.pln").string(); }
  std::string Target() const { return (folder_ / "FS9_plan.pln").string(); }
  std::int64_t Bytes() const { return bytes_; }

 private:
  std::filesystem::path folder_;
  std::int64_t bytes_ = 0;
};

void BM_ConvertPosition(benchmark::State& state) {
  const std::string position = "n47\xC2\xB0 26' 56.40\",w122\xC2\xB0 18' 42.60\",+000429.00";
  for (auto _ : state) benchmark::DoNotOptimize(ConvertPosition(position));
}
BENCHMARK(BM_ConvertPosition);

void BM_ConvertFlightPlan(benchmark::State& state) {
  const PlanOnDisk plan(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (ConvertFlightPlan(plan.Source(), plan.Target()).result != ConversionResult::Converted) {
      state.SkipWithError("the plan was not converted");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * plan.Bytes());
}
BENCHMARK(BM_ConvertFlightPlan)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CopyPlan(benchmark::State& state) {
  const PlanOnDisk plan(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream source(plan.Source(), std::ios::binary);
    std::ofstream target(plan.Target(), std::ios::binary | std::ios::trunc);
    target << source.rdbuf();
  }
  state.SetBytesProcessed(state.iterations() * plan.Bytes());
}
BENCHMARK(BM_CopyPlan)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick

BENCHMARK_MAIN();
