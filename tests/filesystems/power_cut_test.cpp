// SPDX-License-Identifier: GPL-3.0-or-later
// Power cuts during a run, on a file system that keeps only what was made durable: for each way
// of moving, the run is killed before each of its calls that change the disk, the power is cut,
// and a new run resumes over what is left.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "file_listing.h"
#include "leftover_temporaries.h"
#include "naming.h"
#include "posix_file_services.h"
#include "rename_run.h"
#include "tests/fuse/powercut_mount.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

namespace fs = std::filesystem;
using sys::Call;

// Where the pictures go from and to: both folders on the card (in place), or one on the card and
// one on the local disk, which keeps every change it was given (the worst case).
enum class Layout { kInPlaceOnCard, kDiskToCard, kCardToDisk };

// What a resumed run must come to. Where the card's folder sync fails, a copy can never be made
// durable, so each source stays beside its copy; where the card ignores fsync, nothing can be made
// durable at all, and the figures are only measured.
enum class Expect { kOnePerPicture, kNothingLost, kMeasured };

struct Way {
  const char* name;
  Layout layout;
  unsigned card;  // PowerCutOption
  Refusals refusals;
  Expect expect;
};

const Way kWays[] = {
    {"one rename in place", Layout::kInPlaceOnCard, kStrictDisk, {}, Expect::kOnePerPicture},
    {"rename over a reservation",
     Layout::kInPlaceOnCard,
     kNoReplaceEinval,
     {},
     Expect::kOnePerPicture},
    {"link then delete",
     Layout::kInPlaceOnCard,
     kNoReplaceEinval,
     {{Call::kRenameOver, ENOSYS}},
     Expect::kOnePerPicture},
    {"unnamed temporary onto the card",
     Layout::kDiskToCard,
     kStrictDisk,
     {},
     Expect::kOnePerPicture},
    {"hidden temporary onto the card",
     Layout::kDiskToCard,
     kStrictDisk,
     {{Call::kCreateUnnamed, EOPNOTSUPP}},
     Expect::kOnePerPicture},
    {"copy over a reservation onto the card",
     Layout::kDiskToCard,
     kNoReplaceEinval | kNoLinks,
     {{Call::kCreateUnnamed, EOPNOTSUPP}},
     Expect::kOnePerPicture},
    {"copy from the card", Layout::kCardToDisk, kStrictDisk, {}, Expect::kOnePerPicture},
    {"folder sync answering EINVAL",
     Layout::kDiskToCard,
     kFolderSyncEinval,
     {},
     Expect::kNothingLost},
    {"fsync ignored", Layout::kDiskToCard, kIgnoreFsync, {}, Expect::kMeasured},
};

const char* const kPictures[] = {"a.jpg", "b.jpg", "c.jpg"};

bool IsNumbered(const std::string& name) {
  static const std::regex numbered("Trip[0-9]{3,}\\.jpg");
  return std::regex_match(name, numbered);
}

// A rename run as the user starts it, with the unnumbered pictures selected.
void RunAsTheUserWould(const std::string& source, const std::string& target) {
  const std::string extension = "jpg";
  FileListing sources(source, SourcePattern(extension));
  for (std::size_t index = 0; index < sources.count(); ++index)
    sources.setSelected(index, !IsNumbered(sources.entry(index)));
  FileListing targets(target, TargetPattern("Trip", extension));
  const FixedText stem("Trip");
  const FixedDirectory sourcePath(source), targetPath(target);
  RecordedFailures report;
  RunRename(
      {stem, extension, sources, targets, sourcePath, targetPath, SystemFileServices(), report});
}

struct Outcome {
  int lost = 0, partial = 0, twoNames = 0, temporaries = 0, reservations = 0;
};

Outcome Inspect(const FileCensus& before, const std::vector<std::string>& folders) {
  std::map<std::string, int> originals;
  for (const auto& [path, content] : before)
    originals[content] = 0;
  Outcome outcome;
  for (const auto& [path, content] : TakeCensus(folders)) {
    const std::string name = fs::path(path).filename();
    if (IsTemporaryName(name))
      ++outcome.temporaries;
    else if (content.empty())
      outcome.reservations += IsNumbered(name);
    else if (!originals.contains(content))
      ++outcome.partial;
    else
      ++originals[content];
  }
  for (const auto& [content, holders] : originals) {
    outcome.lost += holders == 0;
    outcome.twoNames += holders > 1;
  }
  return outcome;
}

class PowerCutTest : public testing::TestWithParam<Way> {};

TEST_P(PowerCutTest, ResumedAfterACutAtEveryStep) {
  const Way& way = GetParam();
  PowerCutMount card(way.card);
  SKIP_UNLESS_POWERCUT(card);
  TempDir disk;

  int cuts = 0;
  Outcome total;
  for (int killAt = 1;; ++killAt) {
    SCOPED_TRACE("cut before call " + std::to_string(killAt));
    const std::string trial = "trial" + std::to_string(killAt);
    const std::string onCard = card.path() + "/" + trial;
    const std::string onDisk = disk / trial;
    fs::create_directories(onCard);
    std::string source = onCard, target = onCard;
    if (way.layout == Layout::kDiskToCard) {
      fs::create_directories(onDisk);
      source = onDisk;
    } else if (way.layout == Layout::kCardToDisk) {
      fs::create_directories(onDisk);
      target = onDisk;
    }
    for (const char* name : kPictures)
      WriteFile(source + "/" + name, std::string(40000, name[0]) + name);
    ASSERT_TRUE(card.syncAll());
    const std::vector<std::string> folders =
        source == target ? std::vector{source} : std::vector{source, target};
    const FileCensus before = TakeCensus(folders);

    const pid_t child = fork();
    if (child == 0) {
      ArmedSeam seam(way.refusals);
      seam.faults.before = nullptr;
      seam.faults.killAt = killAt;
      RunAsTheUserWould(source, target);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const bool killed = WIFSIGNALED(status);
    ASSERT_TRUE(card.cut());
    {
      ArmedSeam sameCard(way.refusals);
      RunAsTheUserWould(source, target);
    }
    const Outcome outcome = Inspect(before, folders);
    ++cuts;
    total.lost += outcome.lost;
    total.partial += outcome.partial;
    total.twoNames += outcome.twoNames;
    total.temporaries += outcome.temporaries;
    total.reservations += outcome.reservations;
    if (way.expect != Expect::kMeasured) {
      EXPECT_EQ(outcome.lost, 0);
      EXPECT_EQ(outcome.partial, 0);
      EXPECT_EQ(outcome.temporaries, 0);
    }
    if (way.expect == Expect::kOnePerPicture) {
      EXPECT_EQ(outcome.twoNames, 0);
      EXPECT_EQ(outcome.reservations, 0);
    }
    if (!killed)
      break;  // the last trial cut the power after a whole run
  }
  std::printf(
      "%s: %d cuts, %d lost, %d partial, %d under two names, %d temporaries and %d "
      "reservations left after resuming\n",
      way.name, cuts, total.lost, total.partial, total.twoNames, total.temporaries,
      total.reservations);
  RecordProperty("cuts", cuts);
  RecordProperty("lost", total.lost);
  RecordProperty("two_names", total.twoNames);
  RecordProperty("reservations_left", total.reservations);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, PowerCutTest, testing::ValuesIn(kWays),
                         [](const testing::TestParamInfo<Way>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace varnoth::test
