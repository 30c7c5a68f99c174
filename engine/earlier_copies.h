// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/file_services.h"

namespace varnoth {

// The target's numbered files as the run found them, to finish a move that an earlier run got as
// far as the copy instead of copying the picture again under a new number. Each file's stamp is
// read once, at the first look; each earlier copy finishes one move at most.
class EarlierCopies {
 public:
  EarlierCopies(FileServices& files, const Folder& target, std::vector<std::string> names)
      : files_(files), target_(target), names_(std::move(names)) {}

  struct Finished {
    std::string copyName;
    MoveResult result;
  };
  // Finishes the move of `name` of `source` when one of the files holds its bytes.
  std::optional<Finished> finish(const Folder& source, const std::string& name);

 private:
  void index();

  FileServices& files_;
  const Folder& target_;
  std::vector<std::string> names_;
  bool indexed_ = false;
  // By size: the modification time and the name.
  std::multimap<std::uint64_t, std::pair<std::int64_t, std::string>> bySize_;
};

}  // namespace varnoth
