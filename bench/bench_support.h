#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/naming.h"
#include "engine/rename_run.h"
#include "platform/file_listing.h"
#include "tests/engine/run_doubles.h"

namespace varnoth::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// Where benchmark files go: $TMPDIR, or /var/tmp, which is on disk where /tmp may not be.
inline std::string DiskParent() {
  const char* parent = std::getenv("TMPDIR");
  return parent && *parent ? parent : "/var/tmp";
}

// A fresh directory under `parent`, removed with its content on destruction.
class Scratch {
 public:
  explicit Scratch(const std::string& parent = DiskParent()) : path_(parent + "/varnoth-XXXXXX") {
    if (!mkdtemp(path_.data()))
      std::abort();
  }
  ~Scratch() { std::filesystem::remove_all(path_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
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
  test::RecordedMessages messages;

  const auto start = Clock::now();
  RunRename(
      {stem, extension, sources, targets, sourcePath, targetPath, systemFileServices(), messages});
  TimedRun run{Seconds(Clock::now() - start), {}};

  if (!messages.shown.empty())
    run.failure = messages.shown.front();
  else if (targets.count() != expectedFiles)
    run.failure = "files missing";
  return run;
}

}  // namespace varnoth::bench
