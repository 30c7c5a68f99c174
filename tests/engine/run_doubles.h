#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/list_interfaces.h"

namespace varnoth::test {

// The name box and a directory list, as fixed values.
struct FixedText final : TextSource {
  explicit FixedText(std::string value) : value(std::move(value)) {}
  std::string text() const override { return value; }
  std::string value;
};

struct FixedDirectory final : DirectoryPathSource {
  explicit FixedDirectory(std::string value) : value(std::move(value)) {}
  std::string path() const override { return value; }
  std::string value;
};

// The message box: records what it was asked to show.
struct RecordedMessages final : MessageSink {
  void showMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

}  // namespace varnoth::test
