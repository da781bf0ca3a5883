// All-or-nothing apply: whatever fails, the installation is either entirely
// old or entirely new, nothing is written through a link, and an interrupted
// apply is finished or undone by the next one.
#include "zipextract/package_apply.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/unit/zipextract/zip_builder.h"
#include "zipextract/apply_journal.h"

namespace fs = std::filesystem;
using ziptest::EntrySpec;

namespace {

// Kind, size, modification time and contents (or link target) of every name.
std::map<std::string, std::string> Listing(const fs::path& folder) {
  std::map<std::string, std::string> listing;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    const fs::path path = item.path();
    std::string value;
    if (fs::is_symlink(fs::symlink_status(path))) {
      value = "link " + fs::read_symlink(path).string();
    } else if (fs::is_directory(path)) {
      value = "folder";
    } else {
      value = std::to_string(fs::last_write_time(path).time_since_epoch().count()) + " " +
              ziptest::ReadBytes(path);
    }
    listing[path.lexically_relative(folder).string()] = value;
  }
  return listing;
}

class PackageApply : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root() / "bin");
    fs::create_directories(outside());
    ziptest::WriteBytes(root() / "bin" / "a.dll", "old a");
    ziptest::WriteBytes(root() / "b.txt", "old b");
    ziptest::WriteBytes(outside() / "x.dll", "outside");
  }
  fs::path root() const { return temp_.path() / "install"; }
  fs::path outside() const { return temp_.path() / "elsewhere"; }
  fs::path package() const { return temp_.path() / "update.zip"; }

  // A package that replaces both old files and adds one in a new folder.
  std::vector<EntrySpec> Update() const {
    return {{"bin/a.dll", "new a"}, {"b.txt", "new b"}, {"lib/c.dat", "new c"}};
  }
  ApplyOutcome Apply(const std::vector<EntrySpec>& entries, const ApplyOptions& options = {}) {
    EXPECT_TRUE(ziptest::WriteArchive(package(), entries));
    return ApplyPackage(package().wstring(), root().wstring(), options);
  }
  void ExpectEntirelyNew() {
    EXPECT_EQ(ziptest::ReadBytes(root() / "bin" / "a.dll"), "new a");
    EXPECT_EQ(ziptest::ReadBytes(root() / "b.txt"), "new b");
    EXPECT_EQ(ziptest::ReadBytes(root() / "lib" / "c.dat"), "new c");
    EXPECT_EQ(Listing(root()).size(), 5u) << "work files left behind";
  }

  ziptest::TempFolder temp_;
};

TEST_F(PackageApply, WholePackageReplacesReadOnlyFilesAndLeavesNoWork) {
  fs::permissions(root() / "b.txt", fs::perms::owner_read | fs::perms::group_read);
  const ApplyOutcome outcome = Apply(Update());
  ASSERT_EQ(outcome.result, ZipOk) << outcome.detail;
  ExpectEntirelyNew();
}

// Every kind of entry or place that stops the staging: the tree stays
// byte-identical and nothing is written outside the root.
TEST_F(PackageApply, StagingFailureOfEachKindLeavesTheTreeAsItWas) {
  using Entries = std::vector<EntrySpec>;
  struct Case {
    const char* what;
    std::function<void(Entries&)> arrange;         // the entries and the tree
    std::function<void(const fs::path&)> corrupt;  // the written archive, or empty
    ZipResult expected;
  };
  const std::vector<Case> cases = {
      {"bad data in the last entry", [](Entries&) {},
       [](const fs::path& zip) {
         std::string bytes = ziptest::ReadBytes(zip);
         bytes.at(ziptest::DataOffset(bytes, "lib/c.dat")) ^= 0x20;
         ziptest::WriteBytes(zip, bytes);
       },
       ZipErrData},
      {"name leaving the root", [](Entries& e) { e.emplace_back("../evil", "x"); }, nullptr, ZipErrNoFile},
      {"legacy code page name (GBK)", [](Entries& e) { e.emplace_back("\xB8\xFC\xD0\xC2.txt", "x"); },
       nullptr, ZipErrNoFile},
      {"symlinked folder on the way",
       [this](Entries&) {
         fs::remove_all(root() / "bin");
         std::error_code noLinks;  // Wine makes none
         fs::create_directory_symlink(outside(), root() / "bin", noLinks);
       },
       nullptr, ZipErrNoFile},
      {"symlinked target",
       [this](Entries&) {
         fs::remove(root() / "b.txt");
         std::error_code noLinks;
         fs::create_symlink(outside() / "x.dll", root() / "b.txt", noLinks);
       },
       nullptr, ZipErrNoFile},
  };
  for (const Case& c : cases) {
    SetUp();
    Entries entries = Update();
    c.arrange(entries);
    if (!fs::exists(root() / "b.txt") || !fs::exists(root() / "bin")) continue;  // no links here
    ASSERT_TRUE(ziptest::WriteArchive(package(), entries));
    if (c.corrupt) c.corrupt(package());
    const auto before = Listing(temp_.path());
    const ApplyOutcome outcome = ApplyPackage(package().wstring(), root().wstring());
    EXPECT_EQ(outcome.result, c.expected) << c.what << ": " << outcome.detail;
    EXPECT_EQ(Listing(temp_.path()), before) << c.what;
    fs::remove_all(root());
    fs::remove_all(outside());
  }
}

TEST_F(PackageApply, PlantedLinkOrFileAtTheWorkFolderNameIsNotWrittenThrough) {
  ApplyOptions options;
  options.random = [] { return 0x1234u; };
  std::error_code noLinks;
  fs::create_directory_symlink(outside(), root() / "~zvk-apply-0000000000001234", noLinks);
  if (!fs::exists(root() / "~zvk-apply-0000000000001234"))  // no links here (Wine): a file
    ziptest::WriteBytes(root() / "~zvk-apply-0000000000001234", "planted");
  ASSERT_TRUE(ziptest::WriteArchive(package(), Update()));
  const auto before = Listing(temp_.path());
  EXPECT_NE(ApplyPackage(package().wstring(), root().wstring(), options).result, ZipOk);
  EXPECT_EQ(Listing(temp_.path()), before);
}

TEST_F(PackageApply, FailingMoveUndoesEveryMoveBeforeIt) {
  const auto before = Listing(root());
  ApplyOptions options;
  options.hook = [](ApplyStep step, std::size_t record) {
    return step == ApplyStep::Swapping && record == 2 ? HookAction::FailMove : HookAction::Continue;
  };
  EXPECT_EQ(Apply(Update(), options).result, ZipErrNoFile);
  EXPECT_EQ(Listing(root()), before);
}

// An apply abandoned at each step (as by a kill), then the next apply of
// another package to the same root: it first finishes or undoes the old one.
TEST_F(PackageApply, NextApplyFinishesOrUndoesAnInterruptedOne) {
  struct Case {
    ApplyStep step;
    std::size_t record;
    bool finished;  // journal on disk: the interrupted apply is finished
  };
  for (const Case c : {Case{ApplyStep::Staged, 0, false}, Case{ApplyStep::JournalWritten, 0, true},
                       Case{ApplyStep::Swapping, 1, true}, Case{ApplyStep::Swapped, 3, true}}) {
    SetUp();
    fs::remove_all(root() / "lib");
    ApplyOptions options;
    options.hook = [c](ApplyStep step, std::size_t record) {
      return step == c.step && record == c.record ? HookAction::Abandon : HookAction::Continue;
    };
    ASSERT_TRUE(Apply(Update(), options).abandoned);
    const ApplyOutcome next = Apply({{"other.txt", "other"}});
    ASSERT_EQ(next.result, ZipOk) << next.detail;
    fs::remove(root() / "other.txt");
    if (c.finished) {
      ExpectEntirelyNew();
    } else {
      EXPECT_EQ(ziptest::ReadBytes(root() / "b.txt"), "old b");
      EXPECT_EQ(Listing(root()).size(), 4u) << "staging left behind";  // lib/ stays, as created folders do
    }
  }
}

TEST_F(PackageApply, InterruptedApplyThatCannotBeFinishedIsUndone) {
  ApplyOptions options;
  options.hook = [](ApplyStep step, std::size_t record) {
    return step == ApplyStep::Swapping && record == 1 ? HookAction::Abandon : HookAction::Continue;
  };
  ASSERT_TRUE(Apply(Update(), options).abandoned);
  fs::create_directories(root() / "lib" / "c.dat");  // the last target is now a folder
  ASSERT_EQ(Apply({{"other.txt", "other"}}).result, ZipOk);
  EXPECT_EQ(ziptest::ReadBytes(root() / "bin" / "a.dll"), "old a");
  EXPECT_EQ(ziptest::ReadBytes(root() / "b.txt"), "old b");
  EXPECT_EQ(Listing(root()).size(), 6u);  // bin, a.dll, b.txt, lib, lib/c.dat, other.txt
}

}  // namespace

namespace {

// Whoever can write in the installation could leave a journal behind: its
// records never move anything out of the root.
TEST_F(PackageApply, JournalNamingATargetOutsideTheRootIsRefused) {
  const StagingArea area(root().wstring() + L"/", L"~zvk-apply-0000000000000001");
  fs::create_directory(area.path());
  ziptest::WriteBytes(area.stagedPath(0), "planted");
  ASSERT_TRUE(WriteJournal(area, {{L"../escape.txt", false}}));
  EXPECT_NE(Apply(Update()).result, ZipOk);
  EXPECT_FALSE(fs::exists(temp_.path() / "escape.txt"));
  EXPECT_EQ(ziptest::ReadBytes(root() / "b.txt"), "old b");
}

}  // namespace
