// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ports/file_list.h"
#include "rename_run.h"

namespace varnoth::test {

// The name box and a directory list, as fixed values.
struct FixedText final : TextSource {
  explicit FixedText(std::string value) : value(std::move(value)) {}
  std::string textBytes() const override { return value; }
  std::string value;
};

struct FixedDirectory final : DirectoryPathSource {
  explicit FixedDirectory(std::string value) : value(std::move(value)) {}
  std::string path() const override { return value; }
  std::string value;
};

// A run's report: keeps every failure it hears of, in order.
struct RecordedFailures final : RunReport {
  void reportFailure(const RunFailure& failure) override { failures.push_back(failure); }
  std::vector<RunFailure> failures;
};

}  // namespace varnoth::test
