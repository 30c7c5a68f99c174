// SPDX-License-Identifier: GPL-3.0-or-later
// Folders replaced by links to other folders, before a run or in the middle of one: the run acts
// only in the folders its lists showed, and says so when it cannot.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "failure_text.h"
#include "file_listing.h"
#include "naming.h"
#include "posix_file_services.h"
#include "rename_run.h"
#include "tests/engine/run_scene.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A folder others may write holds the chosen source and target; the user's private folder has the
// same layout and the same picture names.
struct Share {
  TempDir root;
  std::string source() const { return root / "share/src"; }
  std::string target() const { return root / "share/out"; }
  std::string privateFolder() const { return root / "private"; }

  Share() {
    for (const char* folder :
         {"share", "share/src", "share/out", "private", "private/src", "private/out"}) {
      fs::create_directory(root / folder);
    }
    for (const char* name : {"a.jpg", "b.jpg"}) {
      Photo(source(), name);
      WriteFile(root / ("private/src/" + std::string(name)), std::string("private ") + name);
    }
  }
  // Moves `folder` (below the root) aside and puts a link to the private counterpart there.
  void swap(const std::string& folder, const std::string& privateCounterpart) const {
    fs::rename(root / folder, root / (folder + ".orig"));
    fs::create_directory_symlink(root / privateCounterpart, root / folder);
  }
};

const struct Swap {
  const char* name;
  const char* folder;
  const char* privateCounterpart;
  const char* named;  // which chosen folder the message names
  const char* originalSource;
  const char* originalTarget;
} kSwaps[] = {
    {"source folder", "share/src", "private/src", "share/src", "share/src.orig", "share/out"},
    {"target folder", "share/out", "private/out", "share/out", "share/src", "share/out.orig"},
    {"common parent", "share", "private", "share/src", "share.orig/src", "share.orig/out"},
};

enum class When { kBeforeTheRun, kBetweenTwoFiles };

struct Case {
  const Swap* swap;
  When when;
};

class FolderSwapTest : public testing::TestWithParam<Case> {};

TEST_P(FolderSwapTest, ActsOnlyInTheListedFolders) {
  const auto& [swap, when] = GetParam();
  Share share;
  const std::string extension = "jpg";
  FileListing sourceList(share.source(), SourcePattern(extension));
  for (std::size_t index = 0; index < sourceList.count(); ++index)
    sourceList.setSelected(index, true);
  FileListing targetList(share.target(), TargetPattern("Trip", extension));
  const FileCensus before = TakeCensus({share.root.path()});
  const Holdings privateBefore = HoldingsOf(share.root / "private/src");

  RecordedFailures report;
  {
    ArmedSeam seam;
    int renames = 0;
    seam.faults.before = [&](sys::Call call) {
      if (call == sys::Call::kRenameNoReplace && ++renames == 2 && when == When::kBetweenTwoFiles)
        share.swap(swap->folder, swap->privateCounterpart);
    };
    if (when == When::kBeforeTheRun)
      share.swap(swap->folder, swap->privateCounterpart);
    const FixedText stem("Trip");
    const FixedDirectory sourcePath(share.source()), targetPath(share.target());
    RunRename({stem, extension, sourceList, targetList, sourcePath, targetPath,
               SystemFileServices(), report});
  }

  EXPECT_TRUE(NothingLost(before, TakeCensus({share.root.path()})));
  EXPECT_EQ(HoldingsOf(share.root / "private/src"), privateBefore)
      << "moved out of a private folder";
  EXPECT_TRUE(NamesIn(share.root / "private/out").empty()) << "moved into a private folder";
  Names messages;
  for (const RunFailure& failure : report.failures)
    messages.push_back(RunFailureText(failure));
  const Holdings source = HoldingsOf(share.root / swap->originalSource);
  const Holdings target = HoldingsOf(share.root / swap->originalTarget);
  if (when == When::kBeforeTheRun) {
    EXPECT_EQ(messages,
              Names{"Failure converting file. The folder '\u2068" + (share.root / swap->named) +
                    "\u2069' changed since it was listed; nothing was moved."});
    EXPECT_EQ(source, (Holdings{{"a.jpg", "a.jpg"}, {"b.jpg", "b.jpg"}}));
    EXPECT_TRUE(target.empty());
  } else {
    // The run goes on in the folders it opened.
    EXPECT_EQ(messages, Names{});
    EXPECT_TRUE(source.empty());
    EXPECT_EQ(target, (Holdings{{"Trip001.jpg", "a.jpg"}, {"Trip002.jpg", "b.jpg"}}));
  }
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const Swap& swap : kSwaps) {
    for (When when : {When::kBeforeTheRun, When::kBetweenTwoFiles})
      cases.push_back({&swap, when});
  }
  return cases;
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string name =
      std::string(info.param.swap->name) +
      (info.param.when == When::kBeforeTheRun ? " before the run" : " between files");
  for (char& c : name)
    c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(EverySwap, FolderSwapTest, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace varnoth::test
