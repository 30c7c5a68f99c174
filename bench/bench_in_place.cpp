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

#include "engine/naming.h"
#include "engine/rename_run.h"
#include "platform/file_listing.h"
#include "tests/engine/run_doubles.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

// A fresh directory holding kFiles small files, removed on destruction.
class Scratch {
 public:
  Scratch() {
    const char* parent = std::getenv("TMPDIR");
    std::string pattern = std::string(parent && *parent ? parent : "/var/tmp") + "/varnoth-XXXXXX";
    if (!mkdtemp(pattern.data()))
      std::abort();
    path_ = pattern;
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "IMG_" + std::to_string(i) + ".jpg";
      const int fd = ::open((path_ + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || ::write(fd, name.data(), name.size()) < 0)
        std::abort();
      ::close(fd);
      names_.push_back(name);
    }
  }
  ~Scratch() { std::filesystem::remove_all(path_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& path() const { return path_; }
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::string path_;
  std::vector<std::string> names_;
};

double Median(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  return seconds.empty() ? 0 : seconds[seconds.size() / 2];
}

std::vector<double> engineSeconds;
std::vector<double> loopSeconds;

void BM_EngineRun(benchmark::State& state) {
  for (auto _ : state) {
    Scratch dir;
    varnoth::FileListing source(dir.path(), varnoth::SourcePattern("jpg"));
    for (std::size_t i = 0; i < source.count(); ++i)
      source.setSelected(i, true);
    varnoth::FileListing target(dir.path(), varnoth::TargetPattern("Trip", "jpg"));
    const varnoth::test::FixedText stem("Trip");
    const varnoth::test::FixedDirectory path(dir.path());
    const std::string extension = "jpg";
    varnoth::test::RecordedMessages messages;

    const auto start = Clock::now();
    varnoth::RunRename(
        {stem, extension, source, target, path, path, varnoth::systemFileServices(), messages});
    const std::chrono::duration<double> elapsed = Clock::now() - start;

    if (!messages.shown.empty() || target.count() != kFiles) {
      state.SkipWithError(messages.shown.empty() ? "files missing" : messages.shown[0].c_str());
      break;
    }
    state.SetIterationTime(elapsed.count());
    engineSeconds.push_back(elapsed.count());
  }
}

void BM_RenameLoop(benchmark::State& state) {
  for (auto _ : state) {
    Scratch dir;
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
