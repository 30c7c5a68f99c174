// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "file_listing.h"
#include "naming.h"
#include "posix_file_services.h"
#include "rename_run.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The main of every benchmark: runs those the command line selects, then prints `summary`'s
// lines, the ratios against the baselines measured in the same run.
inline int RunBenchmarks(int argc, char** argv, const std::function<void()>& summary) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  summary();
  return 0;
}

// Where benchmark files go: $TMPDIR, or /var/tmp, which is on disk where /tmp may not be.
inline std::string DiskParent() {
  const char* parent = std::getenv("TMPDIR");
  return parent && *parent ? parent : "/var/tmp";
}

// A fresh directory, on disk unless told otherwise, removed with its content on destruction.
class Scratch : public test::TempDir {
 public:
  explicit Scratch(const std::string& parent = DiskParent()) : TempDir(parent) {}
};

// The engine and a baseline timed in turns (engine, baseline, engine, ...), each on fresh files,
// so that drifts of a shared machine fall on both alike; each pair gives one ratio.
struct Pairs {
  std::vector<double> engine;
  std::vector<double> baseline;
  std::vector<double> ratios;  // engine time / baseline time

  void add(double engineSeconds, double baselineSeconds) {
    engine.push_back(engineSeconds);
    baseline.push_back(baselineSeconds);
    ratios.push_back(engineSeconds / baselineSeconds);
  }

  // Each pair's ratio in the order measured, for a reader to judge the spread.
  std::string listRatios(bool inverse = false) const {
    std::string list;
    for (const double ratio : ratios) {
      char text[16];
      std::snprintf(text, sizeof text, "%s%.2f", list.empty() ? "" : " ",
                    inverse ? 1 / ratio : ratio);
      list += text;
    }
    return list;
  }
};

struct TimedRun {
  double seconds = 0;
  std::string failure;  // empty when every file moved without a message
};

// A rename run under the stem "Trip" of every '*.jpg' file of `source` into `target`, through the
// engine and the real file services, timed from the run's start to its end.
inline TimedRun TimeEngineRun(const std::string& source, const std::string& target,
                              std::size_t expectedFiles) {
  FileListing sources(source, SourcePattern("jpg"));
  for (std::size_t i = 0; i < sources.count(); ++i)
    sources.setSelected(i, true);
  FileListing targets(target, TargetPattern("Trip", "jpg"));
  const test::FixedText stem("Trip");
  const test::FixedDirectory sourcePath(source);
  const test::FixedDirectory targetPath(target);
  const std::string extension = "jpg";
  test::RecordedFailures report;

  const auto start = Clock::now();
  RunRename(
      {stem, extension, sources, targets, sourcePath, targetPath, SystemFileServices(), report});
  TimedRun run{Seconds(Clock::now() - start), {}};

  if (!report.failures.empty()) {
    const RunFailure& first = report.failures.front();
    run.failure = first.path + ": " + first.error.message();
  } else if (targets.count() != expectedFiles)
    run.failure = "files missing";
  return run;
}

}  // namespace varnoth::bench
