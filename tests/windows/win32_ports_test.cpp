// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 ports on real folders: the moves with their promises, the listing's rules, the paths
// as the window's lists write them and the drives. Run under wine, whose folders are the Linux
// ones beneath it; a second file system for the moves across volumes comes from
// VARNOTH_OTHER_VOLUME (a Windows path of a folder on it).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "current_directory.h"
#include "directory_snapshot.h"
#include "directory_tree.h"
#include "display_name.h"
#include "drives.h"
#include "errand.h"
#include "mount_of.h"
#include "move_control.h"
#include "naming.h"
#include "platform/win32/win32_file_services.h"
#include "platform/win32/win32_names.h"
#include "unanswered_folders.h"

namespace varnoth {
namespace {

// Name -> content of every entry of a folder, hidden ones included; folders as "<dir>".
using Census = std::map<std::wstring, std::string>;

std::string ReadAll(const std::wstring& path) {
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

Census Take(const std::wstring& folder) {
  Census census;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE)
    return census;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    census[name] = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                       ? std::string("<dir>")
                       : ReadAll(folder + L"\\" + name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return census;
}

// Every content that was there before is there after, under some name: nothing lost.
void ExpectNothingLost(const std::vector<Census>& before, const std::vector<Census>& after) {
  std::multiset<std::string> had, has;
  for (const auto& census : before)
    for (const auto& [name, content] : census)
      had.insert(content);
  for (const auto& census : after)
    for (const auto& [name, content] : census)
      has.insert(content);
  EXPECT_EQ(has, had);
}

class TempFolder {
 public:
  explicit TempFolder(std::wstring parent) {
    static int counter = 0;
    path_ = parent + L"\\varnoth-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  TempFolder() : TempFolder(TempPath()) {}
  ~TempFolder() { Remove(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::string bytes() const { return Bytes(path_); }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  void write(const std::wstring& name, const std::string& content, DWORD attributes = 0) const {
    UniqueHandle file(CreateFileW((*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << GetLastError();
    DWORD wrote = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr);
    file.reset();
    if (attributes)
      SetFileAttributesW((*this / name).c_str(), attributes);
  }

 private:
  static std::wstring TempPath() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path(buffer, length);
    while (!path.empty() && path.back() == L'\\')
      path.pop_back();
    return path;
  }
  static void Remove(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
          continue;
        const std::wstring child = path + L"\\" + name;
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(child);
        else
          DeleteFileW(child.c_str());
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
  }

  std::wstring path_;
};

struct MoveCase {
  const char* name;
  Census source;      // the source folder before
  Census target;      // the target folder before; "same" when a row renames in place
  std::wstring from;  // in the source folder
  std::wstring to;    // in the target folder
  bool inPlace;
  MoveResult::Step step;
  std::error_code error;  // checked when set
  Census sourceAfter;
  Census targetAfter;
};

class Win32Moves : public testing::TestWithParam<MoveCase> {};

// The same promises as on Linux, row by row: a move renames, a taken name is refused with both
// files as they were, anything but a file stays where it is.
TEST_P(Win32Moves, KeepTheirPromises) {
  const MoveCase& row = GetParam();
  TempFolder source;
  TempFolder otherTarget;
  const TempFolder& target = row.inPlace ? source : otherTarget;
  for (const auto& [name, content] : row.source) {
    if (content == "<dir>")
      CreateDirectoryW((source / name).c_str(), nullptr);
    else
      source.write(name, content);
  }
  for (const auto& [name, content] : row.target)
    target.write(name, content);
  const std::vector<Census> before{Take(source.path()), Take(otherTarget.path())};

  const MoveResult result =
      SystemFileServices().moveFile(Bytes(source / row.from), Bytes(target / row.to));

  EXPECT_EQ(result.failedStep, row.step) << result.error.message();
  if (row.error) {
    EXPECT_EQ(result.error, row.error) << result.error.message();
  }
  EXPECT_EQ(Take(source.path()), row.sourceAfter);
  if (!row.inPlace) {
    EXPECT_EQ(Take(otherTarget.path()), row.targetAfter);
  }
  ExpectNothingLost(before, {Take(source.path()), Take(otherTarget.path())});
}

const std::error_code kExists{ERROR_ALREADY_EXISTS, std::system_category()};
const std::error_code kNotFound{ERROR_FILE_NOT_FOUND, std::system_category()};
using Step = MoveResult::Step;

INSTANTIATE_TEST_SUITE_P(Table, Win32Moves,
                         testing::Values(MoveCase{"rename_in_place",
                                                  {{L"a.jpg", "A"}},
                                                  {},
                                                  L"a.jpg",
                                                  L"Trip001.jpg",
                                                  true,
                                                  Step::kNone,
                                                  {},
                                                  {{L"Trip001.jpg", "A"}},
                                                  {}},
                                         MoveCase{"taken_name_refused_in_place",
                                                  {{L"a.jpg", "A"}, {L"Trip001.jpg", "B"}},
                                                  {},
                                                  L"a.jpg",
                                                  L"Trip001.jpg",
                                                  true,
                                                  Step::kCopy,
                                                  kExists,
                                                  {{L"a.jpg", "A"}, {L"Trip001.jpg", "B"}},
                                                  {}},
                                         MoveCase{"into_another_folder",
                                                  {{L"a.jpg", "A"}},
                                                  {},
                                                  L"a.jpg",
                                                  L"Trip001.jpg",
                                                  false,
                                                  Step::kNone,
                                                  {},
                                                  {},
                                                  {{L"Trip001.jpg", "A"}}},
                                         MoveCase{"taken_name_in_another_folder_refused",
                                                  {{L"a.jpg", "A"}},
                                                  {{L"Trip001.jpg", "B"}},
                                                  L"a.jpg",
                                                  L"Trip001.jpg",
                                                  false,
                                                  Step::kCopy,
                                                  kExists,
                                                  {{L"a.jpg", "A"}},
                                                  {{L"Trip001.jpg", "B"}}},
                                         MoveCase{"folder_is_no_file",
                                                  {{L"d", "<dir>"}},
                                                  {},
                                                  L"d",
                                                  L"Trip001.jpg",
                                                  true,
                                                  Step::kCopy,
                                                  MoveError::kNotRegularFile,
                                                  {{L"d", "<dir>"}},
                                                  {}},
                                         MoveCase{"missing_source",
                                                  {},
                                                  {},
                                                  L"a.jpg",
                                                  L"Trip001.jpg",
                                                  true,
                                                  Step::kCopy,
                                                  kNotFound,
                                                  {},
                                                  {}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Across volumes the move is a copy, a rename of the copy and a deletion: the bytes, the time
// and the read-only flag arrive, the source goes, and no temporary stays behind.
TEST(Win32CrossVolume, CopiesKeepingTimesAndAttributesAndLeaveNoTemporary) {
  const char* other = std::getenv("VARNOTH_OTHER_VOLUME");
  if (!other || !*other)
    GTEST_SKIP() << "VARNOTH_OTHER_VOLUME names no folder on a second file system";
  TempFolder source;
  TempFolder target(Wide(other));
  source.write(L"a.jpg", std::string(3'000'000, 'x') + "end", FILE_ATTRIBUTE_READONLY);
  source.write(L"b.jpg", "B");
  target.write(L"Trip002.jpg", "taken");
  FILETIME past{0x12345600, 0x01D00000};
  {
    UniqueHandle file(CreateFileW((source / L"a.jpg").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &past));
  }
  const std::vector<Census> before{Take(source.path()), Take(target.path())};

  const MoveResult moved =
      SystemFileServices().moveFile(Bytes(source / L"a.jpg"), Bytes(target / L"Trip001.jpg"));
  const MoveResult refused =
      SystemFileServices().moveFile(Bytes(source / L"b.jpg"), Bytes(target / L"Trip002.jpg"));

  EXPECT_TRUE(moved.moved()) << moved.error.message();
  EXPECT_EQ(refused.failedStep, Step::kCopy);
  EXPECT_EQ(Take(source.path()), (Census{{L"b.jpg", "B"}}));
  EXPECT_EQ(Take(target.path()), (Census{{L"Trip001.jpg", std::string(3'000'000, 'x') + "end"},
                                         {L"Trip002.jpg", "taken"}}))
      << "no temporary left";
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(
      GetFileAttributesExW((target / L"Trip001.jpg").c_str(), GetFileExInfoStandard, &info));
  EXPECT_EQ(CompareFileTime(&info.ftLastWriteTime, &past), 0);
  EXPECT_TRUE(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(info.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
  ExpectNothingLost(before, {Take(source.path()), Take(target.path())});
}

// A run holds its folders: the identity it holds is the one the lists read (else every move would
// be refused as a folder changed), and the folder cannot be renamed away while held.
TEST(Win32Folders, AreHeldWithTheIdentityTheListsRead) {
  TempFolder parent;
  const std::wstring path = parent / L"held";
  CreateDirectoryW(path.c_str(), nullptr);
  FolderOpening opening = SystemFileServices().openFolder(Bytes(path));
  ASSERT_TRUE(opening.folder) << opening.error.message();
  std::error_code error;
  const auto snapshot = ReadDirectorySnapshot(Bytes(path), error);
  ASSERT_TRUE(snapshot) << error.message();
  EXPECT_EQ(opening.folder->identity(), (FolderIdentity{snapshot->device, snapshot->inode}));
  EXPECT_FALSE(MoveFileExW(path.c_str(), (parent / L"moved").c_str(), 0))
      << "a held folder was renamed";
  opening.folder.reset();
  EXPECT_TRUE(MoveFileExW(path.c_str(), (parent / L"moved").c_str(), 0)) << GetLastError();
}

// What a killed run left: a copy that did not get its name is removed (its source is still
// there); a finished copy is completed by deleting its source, but only when the bytes agree.
TEST(Win32Folders, LeftoversAreRemovedAndMovesFinishedOnlyOnTheirOwnCopies) {
  TempFolder folder;
  folder.write(L".varnoth-1-0.tmp", "partial", FILE_ATTRIBUTE_HIDDEN);
  folder.write(L".varnoth-mine.tmp", "a user's file", FILE_ATTRIBUTE_HIDDEN);
  folder.write(L"a.jpg", "A");
  folder.write(L"Trip001.jpg", "A");
  folder.write(L"b.jpg", "B");
  folder.write(L"Trip002.jpg", "other bytes");
  FolderOpening opening = SystemFileServices().openFolder(folder.bytes());
  ASSERT_TRUE(opening.folder);
  const auto& f = *opening.folder;

  SystemFileServices().removeLeftovers(f);
  const auto finished = SystemFileServices().finishMove(f, "a.jpg", f, "Trip001.jpg");
  const auto refused = SystemFileServices().finishMove(f, "b.jpg", f, "Trip002.jpg");

  ASSERT_TRUE(finished.has_value());
  EXPECT_TRUE(finished->moved()) << finished->error.message();
  EXPECT_FALSE(refused.has_value());
  EXPECT_EQ(Take(folder.path()), (Census{{L".varnoth-mine.tmp", "a user's file"},
                                         {L"Trip001.jpg", "A"},
                                         {L"b.jpg", "B"},
                                         {L"Trip002.jpg", "other bytes"}}));
  const auto stamp = SystemFileServices().stampOf(f, "b.jpg");
  ASSERT_TRUE(stamp.has_value());
  EXPECT_EQ(stamp->size, 1U);
  EXPECT_FALSE(SystemFileServices().stampOf(f, "..").has_value());
}

// The lists show files and folders apart, in natural order, without hidden or system entries.
TEST(Win32Listing, LeavesOutHiddenAndSystemEntries) {
  TempFolder folder;
  folder.write(L"scan10.jpg", "");
  folder.write(L"scan2.jpg", "");
  folder.write(L"hidden.jpg", "", FILE_ATTRIBUTE_HIDDEN);
  folder.write(L"system.jpg", "", FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryW((folder / L"sub").c_str(), nullptr);
  CreateDirectoryW((folder / L"secret").c_str(), nullptr);
  SetFileAttributesW((folder / L"secret").c_str(), FILE_ATTRIBUTE_HIDDEN);

  std::error_code error;
  const auto snapshot = ReadDirectorySnapshot(folder.bytes(), error);
  ASSERT_TRUE(snapshot) << error.message();
  EXPECT_EQ(snapshot->names, (std::vector<std::string>{"scan2.jpg", "scan10.jpg"}));
  EXPECT_EQ(snapshot->subdirectories, std::vector<std::string>{"sub"});
}

// A name that is no valid UTF-16 is listed as bytes that name the same file, so it can be moved.
TEST(Win32Listing, UnpairedSurrogateNameIsListedAndMoved) {
  TempFolder folder;
  const std::wstring odd = std::wstring(L"a") + wchar_t(0xD83D) + L".jpg";
  UniqueHandle file(CreateFileW((folder / odd).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || Take(folder.path()).count(odd) == 0)
    GTEST_SKIP() << "this file system cannot hold an unpaired surrogate (wine keeps UTF-8 names)";
  DWORD wrote = 0;
  WriteFile(file.get(), "O", 1, &wrote, nullptr);
  file.reset();
  std::error_code error;
  const auto snapshot = ReadDirectorySnapshot(folder.bytes(), error);
  ASSERT_TRUE(snapshot && snapshot->names.size() == 1);
  const MoveResult result = SystemFileServices().moveFile(
      folder.bytes() + "\\" + snapshot->names[0], folder.bytes() + "\\Trip001.jpg");
  EXPECT_TRUE(result.moved()) << result.error.message();
  EXPECT_EQ(Take(folder.path()), (Census{{L"Trip001.jpg", "O"}}));
}

// Paths as the lists write them: "\", upper-case drive, no trailing separator but at a root,
// and the separator doubled where a name is joined to a root.
TEST(Win32Paths, AreWrittenAsTheListsWriteThem) {
  EXPECT_EQ(NormalizeDirectoryPath("c:\\a\\.\\b\\..\\c\\"), "C:\\a\\c");
  EXPECT_EQ(NormalizeDirectoryPath("C:/a/c"), "C:\\a\\c");
  EXPECT_EQ(NormalizeDirectoryPath("c:\\"), "C:\\");
  EXPECT_EQ(RootOf("D:\\Photos\\2024"), "D:\\");
  EXPECT_EQ(DisplayName("C:\\Photos"), "C:\\Photos") << "shown with its separator once";

  TempFolder folder;
  CreateDirectoryW((folder / L"inner").c_str(), nullptr);
  std::error_code error;
  const auto items = ReadDirectoryTree(folder.bytes(), error);
  ASSERT_FALSE(error) << error.message();
  ASSERT_GE(items.size(), 3U);
  EXPECT_EQ(items.front().path, "C:\\");
  EXPECT_EQ(items.front().name, "C:\\");
  EXPECT_EQ(items[items.size() - 2].path, NormalizeDirectoryPath(folder.bytes()));
  EXPECT_EQ(items.back().path, NormalizeDirectoryPath(folder.bytes()) + "\\inner");
  EXPECT_EQ(items.back().depth, items[items.size() - 2].depth + 1);
}

// A drive whose root is a fresh, empty folder (VARNOTH_SPARE_DRIVE, "T:\\"), so a move can work
// at a root, where the path joined from the root and the name holds the separator twice.
TEST(Win32Paths, DoubledSeparatorAtARootNamesTheFileInTheRoot) {
  const char* spare = std::getenv("VARNOTH_SPARE_DRIVE");
  if (!spare || !*spare)
    GTEST_SKIP() << "VARNOTH_SPARE_DRIVE names no drive with an empty root";
  const std::string root = spare;
  ASSERT_EQ(Take(Wide(root.substr(0, 2))), Census{}) << "the spare drive's root must be empty";
  const std::wstring rootPath = Wide(root.substr(0, 2));
  UniqueHandle file(CreateFileW((rootPath + L"\\a.jpg").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  DWORD wrote = 0;
  WriteFile(file.get(), "A", 1, &wrote, nullptr);
  file.reset();
  const Census before = Take(rootPath);

  const MoveResult result =
      SystemFileServices().moveFile(JoinPath(root, "a.jpg"), JoinPath(root, "Trip001.jpg"));

  EXPECT_TRUE(result.moved()) << result.error.message();
  Census after = Take(rootPath);
  EXPECT_EQ(after.count(L"Trip001.jpg"), 1U);
  EXPECT_EQ(after.count(L"a.jpg"), 0U);
  ExpectNothingLost({before}, {after});
  DeleteFileW((rootPath + L"\\Trip001.jpg").c_str());
}

// The drives come with their roots, and a drive value leads to that drive's current directory.
TEST(Win32Drives, ListRootsCaptionsAndCurrentDirectories) {
  const auto drives = ReadMountedDrives();
  EXPECT_TRUE(std::any_of(drives.begin(), drives.end(),
                          [](const Drive& drive) { return drive.mountPoint == "C:\\"; }));
  EXPECT_EQ(DriveCaption({"C:\\", "SYSTEM"}), "C: [SYSTEM]");
  EXPECT_EQ(DriveCaption({"D:\\", ""}), "D:");

  TempFolder folder;
  const std::string other = NormalizeDirectoryPath(folder.bytes());
  ASSERT_TRUE(SetEnvironmentVariableW(L"=C:", folder.path().c_str()));
  ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\"));
  EXPECT_EQ(StartDirectoryOn("C:\\"), other) << "the directory Windows keeps for drive C";
  DriveTable table(drives);
  EXPECT_EQ(table.currentDirectoryOn("C:\\"), other);
  table.visited("C:\\windows");
  EXPECT_EQ(table.currentDirectoryOn("C:\\"), "C:\\windows") << "the user's own visit wins";
  EXPECT_EQ(table.driveOf("C:\\windows\\system32"), "C:\\");
}

// A move the caller gave up on before it could make itself final ends with the file under its
// source name alone: within a volume the rename is taken back, across volumes the copy removed.
TEST(Win32Moves, GivenUpEndWithTheFileUnderItsSourceNameOnly) {
  TempFolder source;
  std::optional<TempFolder> elsewhere;
  if (const char* other = std::getenv("VARNOTH_OTHER_VOLUME"); other && *other)
    elsewhere.emplace(Wide(other));
  source.write(L"a.jpg", "picture");
  for (const TempFolder* target : {&source, elsewhere ? &*elsewhere : nullptr}) {
    if (!target)
      continue;  // no second file system: the copy across volumes is not tried
    SCOPED_TRACE(target == &source ? "within the volume" : "across volumes");
    const std::vector<Census> before{Take(source.path()), Take(target->path())};
    MoveControl control;
    ASSERT_TRUE(control.cancel());
    MoveResult result;
    {
      const MoveControl::Scope scope(control);
      result =
          SystemFileServices().moveFile(Bytes(source / L"a.jpg"), Bytes(*target / L"Trip001.jpg"));
    }
    EXPECT_FALSE(result.moved());
    EXPECT_EQ(Take(source.path()), (Census{{L"a.jpg", "picture"}}));
    if (target != &source)
      EXPECT_EQ(Take(target->path()), Census{}) << "no copy and no temporary left";
    ExpectNothingLost(before, {Take(source.path()), Take(target->path())});
  }
}

// The volume a wait is given up on comes from the path's spelling, and every later path on it,
// however spelt, fails at once instead of waiting on that volume again.
TEST(Win32Unanswered, AVolumeIsNamedByItsSpellingAndHoldsEveryPathOnIt) {
  struct Row {
    const char* path;
    const char* volume;
  };
  constexpr Row kRows[] = {
      {"D:\\Photos\\2024", "D:\\"},
      {"d:\\Photos", "D:\\"},
      {"D:\\\\Photos", "D:\\"},
      {"D:", "D:\\"},
      {"\\\\nas\\photos\\2024", "\\\\nas\\photos"},
      {"\\\\nas\\\\photos\\\\2024", "\\\\nas\\photos"},
      {"//nas/photos/2024", "\\\\nas\\photos"},
      {"\\\\?\\D:\\Photos", "D:\\"},
      {"\\\\?\\UNC\\nas\\photos\\2024", "\\\\nas\\photos"},
      {"\\\\nas", ""},
      {"Photos\\2024", ""},
  };
  for (const Row& row : kRows)
    EXPECT_EQ(VolumeRootOf(row.path), row.volume) << row.path;
  EXPECT_EQ(UnansweredFolders::Blame("Photos\\2024"), "Photos\\2024") << "no volume: the path";

  auto& unanswered = UnansweredFolders::Instance();
  ErrandState share;
  ErrandState drive;
  const auto shareError =
      unanswered.gaveUp(UnansweredFolders::Blame("\\\\nas\\photos\\2024"), share);
  unanswered.gaveUp(UnansweredFolders::Blame("q:\\Photos"), drive);
  EXPECT_EQ(shareError.message(), "'\\\\nas\\photos' does not answer");
  EXPECT_EQ(unanswered.check("\\\\NAS\\Photos\\2025"), shareError);
  EXPECT_TRUE(unanswered.check("Q:\\"));
  EXPECT_TRUE(unanswered.check("q:/Other"));
  EXPECT_FALSE(unanswered.check("\\\\nas\\photosets")) << "another share";
  EXPECT_FALSE(unanswered.check("C:\\Photos"));
  share.finish();
  drive.finish();
  EXPECT_FALSE(unanswered.check("Q:\\Photos")) << "answered again";
}

// A wait with a deadline comes back at its deadline while the worker is still stuck: every
// promise that the window never waits on a drive that does not answer rests on it.
TEST(Win32Unanswered, AWaitGivesUpAtItsDeadlineOnAStuckWorker) {
  auto release = std::make_shared<std::promise<void>>();
  auto errand = StartErrand<bool>([stuck = release->get_future().share()] {
    stuck.wait();
    return true;
  });
  EXPECT_FALSE(errand->waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
  release->set_value();
  EXPECT_TRUE(errand->waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(60)));
}

}  // namespace
}  // namespace varnoth
