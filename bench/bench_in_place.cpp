// SPDX-License-Identifier: GPL-3.0-or-later
// An in-place rename run of 10,000 files through the engine and the real file services, against
// two baselines: the least a program that holds its folder and checks each entry's kind could
// do (one fstatat without following links and one renameat2(RENAME_NOREPLACE) per file, relative
// to the folder's descriptor, plus the three reads of the folder a run makes: the scan and the two
// refreshes), and the bare renameat2 loop by paths.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
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

varnoth::bench::Pairs heldPairs;  // against the held-folder baseline
varnoth::bench::Pairs barePairs;  // against the bare renameat2 loop

// Reads every name of the folder, as a list's read does before it filters and sorts.
std::size_t ReadFolder(const std::string& path) {
  DIR* folder = ::opendir(path.c_str());
  if (!folder)
    return 0;
  std::size_t names = 0;
  while (const dirent* entry = ::readdir(folder)) {
    if (entry->d_name[0] != '.')
      ++names;
  }
  ::closedir(folder);
  return names;
}

// The folder held open, each entry's kind checked and renamed relative to it, and the folder read
// three times.
double TimeHeldFolderLoop(const PhotoDirectory& dir, std::string& failure) {
  const auto start = Clock::now();
  ReadFolder(dir.path());
  const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int number = 0;
  for (const auto& name : dir.names()) {
    struct stat status;
    const std::string to = varnoth::NumberedName("Trip", ++number, "jpg");
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) ||
        ::renameat2(folder, name.c_str(), folder, to.c_str(), RENAME_NOREPLACE) != 0) {
      failure = "fstatat or renameat2 failed";
      break;
    }
  }
  ::close(folder);
  ReadFolder(dir.path());
  if (ReadFolder(dir.path()) != dir.names().size())
    failure = "files missing";
  return varnoth::bench::Seconds(Clock::now() - start);
}

// One renameat2 per file, by the paths a run would give them.
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

// Each round times the engine and both baselines, each on fresh files; the engine goes first in
// one round and last in the next, so that a drift of the shared machine falls on all alike.
void BM_EngineAgainstBaselines(benchmark::State& state) {
  bool engineFirst = true;
  for (auto _ : state) {
    std::string failure;
    double engine = 0, held = 0, bare = 0;
    const auto timeEngine = [&] {
      PhotoDirectory dir;
      const auto run = varnoth::bench::TimeEngineRun(dir.path(), dir.path(), kFiles);
      if (failure.empty())
        failure = run.failure;
      engine = run.seconds;
    };
    const auto timeBaselines = [&] {
      {
        PhotoDirectory dir;
        held = TimeHeldFolderLoop(dir, failure);
      }
      PhotoDirectory dir;
      bare = TimeRenameLoop(dir, failure);
    };
    if (engineFirst) {
      timeEngine();
      timeBaselines();
    } else {
      timeBaselines();
      timeEngine();
    }
    engineFirst = !engineFirst;
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    state.SetIterationTime(engine);
    state.counters["ratio"] = engine / held;
    heldPairs.add(engine, held);
    barePairs.add(engine, bare);
  }
}

BENCHMARK(BM_EngineAgainstBaselines)
    ->UseManualTime()
    ->Iterations(kRounds)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return varnoth::bench::RunBenchmarks(argc, argv, [&] {
    if (!heldPairs.ratios.empty()) {
      std::printf(
          "in place, %d files, %zu rounds: engine %.1f ms; held folder (fstatat + renameat2 + 3 "
          "reads) %.1f ms, median ratio %.2fx (target <= 1.15x); each: %s\n",
          kFiles, heldPairs.ratios.size(), Median(heldPairs.engine) * 1e3,
          Median(heldPairs.baseline) * 1e3, Median(heldPairs.ratios),
          heldPairs.listRatios().c_str());
      std::printf("bare renameat2 loop by paths %.1f ms, median ratio %.2fx; each: %s\n",
                  Median(barePairs.baseline) * 1e3, Median(barePairs.ratios),
                  barePairs.listRatios().c_str());
    }
  });
}
