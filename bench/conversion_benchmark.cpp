// Speed of the conversion: one position, and whole plans of growing size against their floor,
// the least any conversion must do on disk: read the source once, write each target line with
// its own write call, sync the file once and put it in place. A plain copy is shown beside.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "file_conversion.h"
#include "plan_generator.h"
#include "position_conversion.h"
#include "write_floor.h"

namespace tarnwick {
namespace {

// A generated plan on disk with the FS9 plan it converts into, removed afterwards.
class PlanOnDisk {
 public:
  explicit PlanOnDisk(int waypoints)
      : folder_(std::filesystem::temp_directory_path() /
                ("tarnwick-bench-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(folder_);
    const std::string plan = GeneratePlan(waypoints);
    std::ofstream(Source(), std::ios::binary) << plan;
    bytes_ = static_cast<std::int64_t>(plan.size());
    ConvertFlightPlan(Source(), Target());
    targetText_ = FileText(Target());
  }
  ~PlanOnDisk() { std::filesystem::remove_all(folder_); }
  PlanOnDisk(const PlanOnDisk&) = delete;
  PlanOnDisk& operator=(const PlanOnDisk&) = delete;

  std::string Source() const { return (folder_ / "plan.pln").string(); }
  std::string Target() const { return (folder_ / "FS9_plan.pln").string(); }
  std::int64_t Bytes() const { return bytes_; }
  // The FS9 plan the conversion writes.
  const std::string& TargetText() const { return targetText_; }

 private:
  std::filesystem::path folder_;
  std::int64_t bytes_ = 0;
  std::string targetText_;
};

constexpr int kSizes[] = {100, 10000, 100000};

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

// The floor: the same reads, writes, sync and rename, without any conversion work.
void BM_Floor(benchmark::State& state) {
  const PlanOnDisk plan(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (WriteFloor(plan.Source(), plan.TargetText(), plan.Target())) {
      state.SkipWithError("the floor could not be written");
      break;
    }
  }
  if (FileText(plan.Target()) != plan.TargetText())
    state.SkipWithError("the floor wrote other bytes");
  state.SetBytesProcessed(state.iterations() * plan.Bytes());
}

void BM_CopyPlan(benchmark::State& state) {
  const PlanOnDisk plan(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream source(plan.Source(), std::ios::binary);
    std::ofstream target(plan.Target(), std::ios::binary | std::ios::trunc);
    target << source.rdbuf();
  }
  state.SetBytesProcessed(state.iterations() * plan.Bytes());
}

// Each size's conversion right after its floor, so that both meet the same state of the disk.
void RegisterPlanBenchmarks() {
  for (const int size : kSizes) {
    benchmark::RegisterBenchmark("BM_Floor", BM_Floor)->Arg(size)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ConvertFlightPlan", BM_ConvertFlightPlan)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("BM_CopyPlan", BM_CopyPlan)
      ->Arg(100000)
      ->Unit(benchmark::kMillisecond);
}

// The console report, then each size's conversion as a multiple of its floor: from the medians
// where there are repetitions, else from the single results.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (median || run.run_type == Run::RT_Iteration) {
        const std::string name = run.run_name.str();
        if (median || times_.count(name) == 0) times_[name] = run.GetAdjustedRealTime();
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-12s %12s %12s %8s\n", "waypoints", "floor (ms)", "convert (ms)", "ratio");
    for (const int size : kSizes) {
      std::string suffix = "/";
      suffix += std::to_string(size);
      const auto floor = times_.find("BM_Floor" + suffix);
      const auto convert = times_.find("BM_ConvertFlightPlan" + suffix);
      if (floor == times_.end() || convert == times_.end()) continue;
      std::printf("%-12d %12.3f %12.3f %8.2f\n", size, floor->second, convert->second,
                  convert->second / floor->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace tarnwick

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tarnwick::RegisterPlanBenchmarks();
  tarnwick::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
