// SPDX-License-Identifier: GPL-3.0-or-later
// One rename run as the window starts it, for scripts that kill it at random instants:
//
//   run_once SOURCE TARGET STEM
//
// moves every unnumbered '*.jpg' of SOURCE into TARGET under STEM's numbers, prints each failure
// as the window words it, and exits 1 when there was one.
#include <cstdio>
#include <regex>
#include <string>

#include "failure_text.h"
#include "file_listing.h"
#include "naming.h"
#include "posix_file_services.h"
#include "rename_run.h"
#include "tests/support/fixed_ports.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: run_once SOURCE TARGET STEM\n");
    return 2;
  }
  using namespace varnoth;
  const std::string stem = argv[3];
  const std::string extension = "jpg";
  const std::regex numbered(
      std::regex_replace(stem, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") + "[0-9]{3,}\\.jpg",
      std::regex::icase);
  FileListing sources(argv[1], SourcePattern(extension));
  for (std::size_t index = 0; index < sources.count(); ++index)
    sources.setSelected(index, !std::regex_match(sources.entry(index), numbered));
  FileListing targets(argv[2], TargetPattern(stem, extension));
  const test::FixedText stemBox(stem);
  const test::FixedDirectory sourcePath(argv[1]), targetPath(argv[2]);
  test::RecordedFailures report;
  RunRename(
      {stemBox, extension, sources, targets, sourcePath, targetPath, SystemFileServices(), report});
  for (const RunFailure& failure : report.failures)
    std::printf("%s\n", RunFailureText(failure).c_str());
  return report.failures.empty() ? 0 : 1;
}
