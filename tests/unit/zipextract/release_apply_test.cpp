// Versioned releases applied over an installation of version 1.0: after
// every package, the tree is exactly the new version or exactly as before.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

#include "release/manifest.h"
#include "tests/unit/zipextract/zip_builder.h"
#include "zipextract/package_apply.h"
#include "zipextract/package_release.h"

namespace fs = std::filesystem;

namespace {

using Tree = std::map<std::string, std::string>;  // name -> content

struct Release {
  std::string product = "client";
  std::string version;
  std::string base;  // a delta when set
  Tree carried;      // files in the package
  Tree kept;         // a delta's files unchanged since its base
  std::vector<std::string> removed;
};

release::ReleaseFile Listed(const std::string& name, const std::string& data, bool carried) {
  return {name, data.size(), release::Sha256Of(data.data(), data.size()), carried};
}

std::string ManifestText(const Release& r) {
  release::Manifest manifest;
  manifest.product = r.product;
  manifest.version = *release::Version::Parse(r.version);
  if (!r.base.empty()) {
    manifest.kind = release::ReleaseKind::Delta;
    manifest.base = release::Version::Parse(r.base);
  }
  for (const auto& [name, data] : r.carried) manifest.files.push_back(Listed(name, data, true));
  for (const auto& [name, data] : r.kept) manifest.files.push_back(Listed(name, data, false));
  manifest.removed = r.removed;
  return release::FormatManifest(manifest);
}

Tree Listing(const fs::path& folder) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_directory())
      tree[item.path().lexically_relative(folder).generic_string()] = ziptest::ReadBytes(item);
  }
  return tree;
}

class ReleaseApply : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("zvk-release-apply-" + std::to_string(std::random_device{}()));
    fs::remove_all(work_);
    fs::create_directories(root());
    ASSERT_EQ(Apply(Version1()).result, ZipOk);
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "work folder kept: " << work_ << "\n";
    } else {
      fs::remove_all(work_);
    }
  }
  fs::path root() const { return work_ / "install"; }

  static Release Version1() {
    return {"client", "1.0", "", {{"a.txt", "a1"}, {"bin/b.dll", "b1"}, {"c.txt", "c1"}, {"d.txt", "d1"}},
            {},       {}};
  }
  // Changes bin/b.dll, adds e.txt, removes c.txt, keeps a.txt and d.txt.
  static Release Delta2() {
    return {
        "client", "2.0", "1.0", {{"bin/b.dll", "b2"}, {"e.txt", "e2"}}, {{"a.txt", "a1"}, {"d.txt", "d1"}},
        {"c.txt"}};
  }
  static Release OlderFull() {
    Release r = Version1();
    r.version = "0.5";
    return r;
  }
  static Tree Expected(const Release& r) {
    Tree tree = r.carried;
    tree.insert(r.kept.begin(), r.kept.end());
    tree["~zvk-apply-installed"] = ManifestText(r);
    return tree;
  }

  ApplyOutcome Apply(const Release& r, bool withManifest = true, const ApplyOptions& options = {}) {
    std::vector<ziptest::EntrySpec> entries;
    if (withManifest) entries.emplace_back(release::kManifestEntryName, ManifestText(r));
    for (const auto& [name, data] : r.carried) entries.emplace_back(name, data);
    EXPECT_TRUE(ziptest::WriteArchive(work_ / "update.zip", entries));
    return ApplyPackage((work_ / "update.zip").wstring(), root().wstring(), options);
  }

  fs::path work_;
};

TEST_F(ReleaseApply, DeltaReplacesAddsAndRemovesWithinOneSwap) {
  const ApplyOutcome outcome = Apply(Delta2());
  ASSERT_EQ(outcome.result, ZipOk) << outcome.detail;
  EXPECT_EQ(Listing(root()), Expected(Delta2()));
}

// Packages the installation must not take: nothing changes, and the outcome
// says whether the full package of the version could still be installed.
TEST_F(ReleaseApply, PackagesThatDoNotFitLeaveTheTreeAsItWas) {
  struct Case {
    const char* what;
    std::function<void(Release&, const fs::path& root)> arrange;
    bool withManifest;
    bool fullMayFit;
    const char* named;  // in the reason
  };
  const Case cases[] = {
      {"unchanged file damaged",
       [](Release&, const fs::path& root) { ziptest::WriteBytes(root / "a.txt", "A1"); }, true, true,
       "a.txt"},
      {"unchanged file removed", [](Release&, const fs::path& root) { fs::remove(root / "d.txt"); }, true,
       true, "d.txt"},
      {"wrong base", [](Release& r, const fs::path&) { r.base = "0.9"; }, true, true, "delta from 0.9"},
      {"another product", [](Release& r, const fs::path&) { r.product = "other"; }, true, false,
       "another product"},
      {"lower version",
       [](Release& r, const fs::path&) {
         r = Version1();
         r.version = "0.9.9";
       },
       true, false, "older"},
      {"no manifest after a versioned install", [](Release&, const fs::path&) {}, false, false,
       "without a release"},
      {"damaged release record, older full release",
       [](Release& r, const fs::path& root) {
         r = OlderFull();
         ziptest::WriteBytes(root / "~zvk-apply-installed", "not a manifest\n");
       },
       true, false, "~zvk-apply-installed is not a valid"},
      {"release record too large",
       [](Release& r, const fs::path& root) {
         r = OlderFull();
         ziptest::WriteBytes(root / "~zvk-apply-installed", std::string((32u << 20) + 1, 'x'));
       },
       true, false, "~zvk-apply-installed larger"},
      {"a file turned into a folder",
       [](Release& r, const fs::path&) {
         r = Version1();
         r.version = "2.0";
         r.carried.erase("a.txt");
         r.carried["a.txt/inner"] = "x";
       },
       true, false, "a.txt/inner is inside a file"},
      {"a folder turned into a file",
       [](Release& r, const fs::path&) {
         r = Version1();
         r.version = "2.0";
         r.carried.erase("bin/b.dll");
         r.carried["bin"] = "b";
       },
       true, false, "bin/b.dll of the installed version"},
  };
  for (const Case& c : cases) {
    Release r = Delta2();
    c.arrange(r, root());
    const Tree before = Listing(root());
    const ApplyOutcome outcome = Apply(r, c.withManifest);
    EXPECT_EQ(outcome.result, ZipErrRelease) << c.what << ": " << outcome.detail;
    EXPECT_TRUE(outcome.refused) << c.what;
    EXPECT_NE(outcome.detail.find(c.named), std::string::npos) << c.what << ": " << outcome.detail;
    EXPECT_EQ(Listing(root()), before) << c.what;
    {  // closed before the next package is written over it
      platform::File package = platform::File::OpenForRead((work_ / "update.zip").wstring());
      const ReleaseFit fit = JudgePackageForInstallation(package, root().wstring());
      EXPECT_EQ(fit.verdict, release::ReleaseVerdict::Refused) << c.what;
      EXPECT_EQ(fit.fullPackageMayFit, c.fullMayFit) << c.what;
    }
    fs::remove_all(root());
    fs::create_directories(root());
    ASSERT_EQ(Apply(Version1()).result, ZipOk);
  }
}

TEST_F(ReleaseApply, ReplayOfTheInstalledVersionChangesNothing) {
  ziptest::WriteBytes(root() / "a.txt", "user's change");
  const Tree before = Listing(root());
  const ApplyOutcome outcome = Apply(Version1());
  EXPECT_EQ(outcome.result, ZipOk);
  EXPECT_TRUE(outcome.alreadyInstalled);
  EXPECT_EQ(Listing(root()), before);
}

// A swap that fails after the removal is undone whole; one interrupted after
// it is finished by the next start.
TEST_F(ReleaseApply, RemovalIsUndoneOrFinishedWithTheRestOfTheSwap) {
  for (const HookAction action : {HookAction::FailMove, HookAction::Abandon}) {
    const Tree before = Listing(root());
    ApplyOptions options;
    options.hook = [action](ApplyStep step, std::size_t record) {
      return step == ApplyStep::Swapping && record == 3 ? action : HookAction::Continue;
    };
    Apply(Delta2(), true, options);
    if (action == HookAction::FailMove) {
      EXPECT_EQ(Listing(root()), before);
    } else {
      ASSERT_EQ(RecoverInterruptedApply(root().wstring()).result, ZipOk);
      EXPECT_EQ(Listing(root()), Expected(Delta2()));
    }
  }
}

TEST_F(ReleaseApply, EntryThatIsNotTheListedFileIsRefused) {
  Release r = Delta2();
  const Tree before = Listing(root());
  std::vector<ziptest::EntrySpec> entries = {
      {release::kManifestEntryName, ManifestText(r)}, {"bin/b.dll", "b2 altered"}, {"e.txt", "e2"}};
  ASSERT_TRUE(ziptest::WriteArchive(work_ / "update.zip", entries));
  const ApplyOutcome outcome = ApplyPackage((work_ / "update.zip").wstring(), root().wstring());
  EXPECT_EQ(outcome.result, ZipErrData) << outcome.detail;
  EXPECT_EQ(Listing(root()), before);
}

// Where a removed file was, a link to a file elsewhere: the link is left as
// it is, its target untouched, and the rest of the version installs.
TEST_F(ReleaseApply, LinkAtARemovedNameIsNeverFollowed) {
  ziptest::WriteBytes(work_ / "elsewhere.txt", "not the installation's");
  fs::remove(root() / "c.txt");
  std::error_code noLinks;  // Wine makes none
  fs::create_symlink(work_ / "elsewhere.txt", root() / "c.txt", noLinks);
  if (noLinks) GTEST_SKIP() << "no symbolic links here";
  const ApplyOutcome outcome = Apply(Delta2());
  ASSERT_EQ(outcome.result, ZipOk) << outcome.detail;
  EXPECT_TRUE(fs::is_symlink(root() / "c.txt"));
  EXPECT_EQ(ziptest::ReadBytes(work_ / "elsewhere.txt"), "not the installation's");
  EXPECT_EQ(ziptest::ReadBytes(root() / "bin" / "b.dll"), "b2");
}

// The installation folder itself may be reached through a link (a junction
// to another drive): the record, the kept files and the removals are found.
TEST_F(ReleaseApply, InstallationReachedThroughALinkTakesTheDelta) {
  std::error_code noLinks;
  fs::create_directory_symlink(root(), work_ / "via", noLinks);
  if (noLinks) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(ziptest::WriteArchive(work_ / "update.zip", {{release::kManifestEntryName, ManifestText(Delta2())},
                                                            {"bin/b.dll", "b2"},
                                                            {"e.txt", "e2"}}));
  const ApplyOutcome outcome = ApplyPackage((work_ / "update.zip").wstring(), (work_ / "via").wstring());
  ASSERT_EQ(outcome.result, ZipOk) << outcome.detail;
  EXPECT_EQ(Listing(root()), Expected(Delta2()));
}

#ifdef _WIN32
// A record another program holds open is neither "no record" nor damaged:
// the package is kept for a later start.
TEST_F(ReleaseApply, RecordThatCannotBeReadNowKeepsThePackageForLater) {
  const Tree before = Listing(root());
  const HANDLE held = CreateFileW((root() / "~zvk-apply-installed").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const ApplyOutcome outcome = Apply(Delta2());
  CloseHandle(held);
  EXPECT_EQ(outcome.result, ZipErrRead) << outcome.detail;
  EXPECT_FALSE(outcome.refused);
  EXPECT_EQ(Listing(root()), before);
}
#endif

}  // namespace
