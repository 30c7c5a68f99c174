// An in-place rename run of 10,000 files through the engine and the real file services, against
// the least a program could do: one renameat2(RENAME_NOREPLACE) per file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 5;

using varnoth::bench::Clock;
using varnoth::bench::Median;

// A fresh directory holding kFiles small files.
class PhotoDirectory : public varnoth::bench::Scratch {
 public:
  PhotoDirectory() {
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "IMG_" + std::to_string(i) + ".jpg";
      const int fd = ::open((path() + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || ::write(fd, name.data(), name.size()) < 0)
        std::abort();
      ::close(fd);
      names_.push_back(name);
    }
  }
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

std::vector<double> engineSeconds;
std::vector<double> loopSeconds;

void BM_EngineRun(benchmark::State& state) {
  for (auto _ : state) {
    PhotoDirectory dir;
    const auto run = varnoth::bench::TimeEngineRun(dir.path(), dir.path(), kFiles);
    if (!run.failure.empty()) {
      state.SkipWithError(run.failure.c_str());
      break;
    }
    state.SetIterationTime(run.seconds);
    engineSeconds.push_back(run.seconds);
  }
}

void BM_RenameLoop(benchmark::State& state) {
  for (auto _ : state) {
    PhotoDirectory dir;
    const auto start = Clock::now();
    int number = 0;
    for (const auto& name : dir.names()) {
      const std::string from = dir.path() + "/" + name;
      const std::string to = dir.path() + "/" + varnoth::NumberedName("Trip", ++number, "jpg");
      if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        state.SkipWithError("renameat2 failed");
        break;
      }
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    state.SetIterationTime(elapsed.count());
    loopSeconds.push_back(elapsed.count());
  }
}

BENCHMARK(BM_EngineRun)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenameLoop)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double engine = Median(engineSeconds);
  const double loop = Median(loopSeconds);
  if (engine > 0 && loop > 0) {
    std::printf(
        "in place, %d files: engine %.1f ms, renameat2 loop %.1f ms, ratio %.2fx (target <= "
        "1.5x)\n",
        kFiles, engine * 1e3, loop * 1e3, engine / loop);
  }
  return 0;
}
