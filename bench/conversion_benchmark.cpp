// Speed of the conversion: one position, and whole plans of growing size against their floor,
// the least any conversion must do on disk: read the source once, write each target line with
// its own write call, sync the file once and put it in place. A plain copy is shown beside.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "file_conversion.h"
#include "native_file.h"
#include "plan_generator.h"
#include "position_conversion.h"

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
    std::ifstream converted(Target(), std::ios::binary);
    for (std::string line; std::getline(converted, line);) targetLines_.push_back(line + "\n");
  }
  ~PlanOnDisk() { std::filesystem::remove_all(folder_); }
  PlanOnDisk(const PlanOnDisk&) = delete;
  PlanOnDisk& operator=(const PlanOnDisk&) = delete;

  std::string Source() const { return (folder_ / "plan.pln").string(); }
  std::string Target() const { return (folder_ / "FS9_plan.pln").string(); }
  std::int64_t Bytes() const { return bytes_; }
  // The target's lines, each with its CR LF.
  const std::vector<std::string>& TargetLines() const { return targetLines_; }

 private:
  std::filesystem::path folder_;
  std::int64_t bytes_ = 0;
  std::vector<std::string> targetLines_;
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
  const std::string temporary = plan.Target() + ".floor.tmp";
  std::vector<char> buffer(65536);
  for (auto _ : state) {
    std::error_code error;
    NativeFile source = NativeFile::OpenForReading(plan.Source(), error);
    while (source.Read(buffer.data(), buffer.size(), error) > 0) {
    }
    NativeFile target = NativeFile::CreateNew(temporary, error);
    for (const std::string& line : plan.TargetLines()) target.Write(line.data(), line.size(), error);
    target.Sync(error);
    target.Close(error);
    PutInPlace(temporary, plan.Target(), error);
    if (error) {
      state.SkipWithError("the floor could not be written");
      break;
    }
  }
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
    const std::string suffix = "/" + std::to_string(size);
    benchmark::RegisterBenchmark(("BM_Floor" + suffix).c_str(), BM_Floor)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_ConvertFlightPlan" + suffix).c_str(), BM_ConvertFlightPlan)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("BM_CopyPlan/100000", BM_CopyPlan)
      ->Arg(100000)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace tarnwick

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tarnwick::RegisterPlanBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
