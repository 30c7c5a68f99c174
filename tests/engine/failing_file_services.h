// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "tests/support/forwarding_file_services.h"

namespace varnoth::test {

// The real file services, except that the Nth move (counting from 1) fails at its copy without
// reaching the file system, or copies and then fails to delete the source, with the given errno.
class FailingFileServices final : public ForwardingFileServices {
 public:
  struct Fault {
    int nth = 0;
    int errorNumber = 0;
  };
  FailingFileServices(Fault copy, Fault remove) : copy_(copy), delete_(remove) {}

  MoveResult moveFile(const Folder& fromFolder, const std::string& from, const Folder& toFolder,
                      const std::string& to) override {
    ++moves_;
    if (moves_ == copy_.nth)
      return {MoveResult::Step::kCopy, {copy_.errorNumber, std::generic_category()}};
    if (moves_ != delete_.nth)
      return SystemFileServices().moveFile(fromFolder, from, toFolder, to);
    if (auto error = SystemFileServices().copyFile(fromFolder, from, toFolder, to))
      return {MoveResult::Step::kCopy, error};
    return {MoveResult::Step::kDelete, {delete_.errorNumber, std::generic_category()}};
  }

 private:
  Fault copy_, delete_;
  int moves_ = 0;
};

}  // namespace varnoth::test
