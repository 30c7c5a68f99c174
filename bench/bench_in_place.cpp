// SPDX-License-Identifier: GPL-3.0-or-later
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
constexpr int kRounds = 7;  // pairs of runs

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

varnoth::bench::Pairs pairs;

// One renameat2 per file, by the names a run would give them.
double TimeRenameLoop(const PhotoDirectory& dir, std::string& failure) {
  const auto start = Clock::now();
  int number = 0;
  for (const auto& name : dir.names()) {
    const std::string from = dir.path() + "/" + name;
    const std::string to = dir.path() + "/" + varnoth::NumberedName("Trip", ++number, "jpg");
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
      failure = "renameat2 failed";
      break;
    }
  }
  return varnoth::bench::Seconds(Clock::now() - start);
}

void BM_EngineThenRenameLoop(benchmark::State& state) {
  for (auto _ : state) {
    std::string failure;
    double engine = 0;
    {
      PhotoDirectory dir;
      const auto run = varnoth::bench::TimeEngineRun(dir.path(), dir.path(), kFiles);
      failure = run.failure;
      engine = run.seconds;
    }
    double loop = 0;
    if (failure.empty()) {
      PhotoDirectory dir;
      loop = TimeRenameLoop(dir, failure);
    }
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    state.SetIterationTime(engine);
    state.counters["ratio"] = engine / loop;
    pairs.add(engine, loop);
  }
}

BENCHMARK(BM_EngineThenRenameLoop)
    ->UseManualTime()
    ->Iterations(kRounds)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!pairs.ratios.empty()) {
    std::printf(
        "in place, %d files, %zu pairs: engine %.1f ms, renameat2 loop %.1f ms (medians), "
        "median ratio %.2fx (target <= 1.1x); each pair: %s\n",
        kFiles, pairs.ratios.size(), Median(pairs.engine) * 1e3, Median(pairs.baseline) * 1e3,
        Median(pairs.ratios), pairs.listRatios().c_str());
  }
  return 0;
}
