// SPDX-License-Identifier: GPL-3.0-or-later
// A cross-device move of 200 files of 5 MB, from a directory on disk to a tmpfs, through the
// engine and the real file services, against a plain sendfile + fsync + unlink loop; once into an
// empty target, once into one that already holds 10,000 numbered files (among which the engine
// looks for copies an interrupted run left).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

constexpr int kFiles = 200;
constexpr std::size_t kFileBytes = 5 * 1024 * 1024;
constexpr double kTotalBytes = double(kFiles) * double(kFileBytes);
constexpr int kRounds = 5;  // pairs of runs
const std::string kTmpfs = "/dev/shm";

using varnoth::bench::Clock;
using varnoth::bench::DiskParent;
using varnoth::bench::Median;
using varnoth::bench::Scratch;

// kFiles photos of distinct content, written through to disk so that neither contender pays for
// the other's dirty pages.
std::vector<std::string> WritePhotos(const std::string& directory) {
  std::vector<std::string> names;
  std::string bytes(kFileBytes, '\0');
  for (int i = 0; i < kFiles; ++i) {
    std::fill(bytes.begin(), bytes.end(), static_cast<char>(i));
    names.push_back("IMG_" + std::to_string(i) + ".jpg");
    const int fd =
        ::open((directory + "/" + names.back()).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
      std::abort();
    ::fsync(fd);
    ::close(fd);
  }
  return names;
}

// `count` small numbered files, as an earlier year of pictures would leave.
void WriteNumbered(const std::string& directory, int count) {
  for (int number = 1; number <= count; ++number) {
    const std::string name = varnoth::NumberedName("Trip", number, "jpg");
    const int fd = ::open((directory + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || ::write(fd, name.data(), name.size()) < 0)
      std::abort();
    ::close(fd);
  }
}

dev_t DeviceOf(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_dev : 0;
}

double FreeBytes(const std::string& path) {
  struct statvfs fs {};
  return ::statvfs(path.c_str(), &fs) == 0 ? double(fs.f_bavail) * double(fs.f_frsize) : 0;
}

// Why the move cannot be measured here, or empty when it can.
std::string Obstacle() {
  if (DeviceOf(kTmpfs) == 0 || DeviceOf(kTmpfs) == DeviceOf(DiskParent())) {
    return kTmpfs + " is not a file system apart from " + DiskParent();
  }
  if (FreeBytes(kTmpfs) < 1.5 * kTotalBytes || FreeBytes(DiskParent()) < 1.5 * kTotalBytes) {
    return "not enough free space for " + std::to_string(int(kTotalBytes / 1e6)) + " MB";
  }
  return {};
}

bool MoveBySendfile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  bool ok = in >= 0 && out >= 0;
  for (std::size_t left = kFileBytes; ok && left > 0;) {
    const ssize_t sent = ::sendfile(out, in, nullptr, left);
    ok = sent > 0;
    left -= ok ? std::size_t(sent) : 0;
  }
  ok = ok && ::fsync(out) == 0;
  if (in >= 0)
    ::close(in);
  if (out >= 0)
    ::close(out);
  return ok && ::unlink(from.c_str()) == 0;
}

// A plain loop of sendfile, fsync and unlink over the same photos, by the names a run would give.
double TimeSendfileLoop(const std::string& source, const std::string& target,
                        const std::vector<std::string>& names, int numbered, std::string& failure) {
  const auto start = Clock::now();
  int number = numbered;
  for (const auto& name : names) {
    const std::string to = target + "/" + varnoth::NumberedName("Trip", ++number, "jpg");
    if (!MoveBySendfile(source + "/" + name, to)) {
      failure = "sendfile move failed";
      break;
    }
  }
  return varnoth::bench::Seconds(Clock::now() - start);
}

std::map<int, varnoth::bench::Pairs> pairs;  // by the numbered files already in the target

// The engine goes first in one pair and second in the next, so that a drift of the shared machine
// falls on both alike.
void BM_EngineAgainstSendfileLoop(benchmark::State& state) {
  if (const std::string obstacle = Obstacle(); !obstacle.empty()) {
    state.SkipWithError(obstacle.c_str());
    return;
  }
  const int numbered = static_cast<int>(state.range(0));
  bool engineFirst = true;
  for (auto _ : state) {
    std::string failure;
    double engine = 0, loop = 0;
    const auto timeEngine = [&] {
      Scratch source(DiskParent());
      Scratch target(kTmpfs);
      WritePhotos(source.path());
      WriteNumbered(target.path(), numbered);
      const auto run = varnoth::bench::TimeEngineRun(source.path(), target.path(),
                                                     std::size_t(kFiles + numbered));
      if (failure.empty())
        failure = run.failure;
      engine = run.seconds;
    };
    const auto timeLoop = [&] {
      Scratch source(DiskParent());
      Scratch target(kTmpfs);
      const std::vector<std::string> names = WritePhotos(source.path());
      WriteNumbered(target.path(), numbered);
      loop = TimeSendfileLoop(source.path(), target.path(), names, numbered, failure);
    };
    if (engineFirst) {
      timeEngine();
      timeLoop();
    } else {
      timeLoop();
      timeEngine();
    }
    engineFirst = !engineFirst;
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    state.SetIterationTime(engine);
    state.counters["throughput_ratio"] = loop / engine;
    pairs[numbered].add(engine, loop);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * kTotalBytes));
}

BENCHMARK(BM_EngineAgainstSendfileLoop)
    ->Arg(0)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(kRounds)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return varnoth::bench::RunBenchmarks(argc, argv, [&] {
    for (const auto& [numbered, measured] : pairs) {
      // Throughput ratio: the inverse of each pair's time ratio.
      std::vector<double> throughput;
      for (const double ratio : measured.ratios)
        throughput.push_back(1 / ratio);
      std::printf(
          "cross-device, %d x %zu MB, %d numbered files in the target, %zu pairs: engine %.0f "
          "MB/s, sendfile loop %.0f MB/s (medians), median throughput ratio %.2fx (target >= "
          "0.95x); each pair: %s\n",
          kFiles, kFileBytes >> 20, numbered, measured.ratios.size(),
          kTotalBytes / Median(measured.engine) / 1e6,
          kTotalBytes / Median(measured.baseline) / 1e6, Median(throughput),
          measured.listRatios(true).c_str());
    }
    if (pairs.empty()) {
      if (const std::string obstacle = Obstacle(); !obstacle.empty())
        std::printf("cross-device move not measured: %s\n", obstacle.c_str());
    }
  });
}
