// The publishing tool as publishers and scripts use it: refusals, packages
// that install what the folder held, and signatures tied to one key.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "zipextract/extract_zip_to_dir.h"
#include "zipextract/package_entry_rule.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A work folder per test, kept for the log when the test fails.
class PublisherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("zvk-publisher-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(work_);
    fs::create_directories(work_);
  }
  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "work folder kept: " << work_ << "\n";
    } else {
      fs::remove_all(work_);
    }
  }

  // Runs the tool in the work folder; returns its exit code, keeps stderr.
  int Tool(const std::string& arguments) {
    const std::string command =
        "cd '" + work_.string() + "' && '" ZVKPUBLISH "' " + arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    errors_ = ReadText(work_ / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path work_;
  std::string errors_;
};

TEST(PackageEntryRule, NamesTheLauncherWouldNotInstallAsTheyStandAreRefused) {
  const std::string refused[] = {
      "",           "/etc/passwd", "C:/x.dll", "a/../b",  "..",       "a/..",
      "bin\\a.dll", "a:stream",    "con\x01",  "a./b",    "dir /x",   std::string(160, 'n'),
      "a//b",       "\xC3(bad",    "\xFF",     "Aux.txt", "bin/com1",
  };
  for (const std::string& name : refused) EXPECT_NE(RefusedEntryName(name), nullptr) << name;
  const std::string accepted[] = {"a.txt",         "bin/a.dll", "docs/",
                                  "中文/说明.txt", ".hidden",   std::string(159, 'n')};
  for (const std::string& name : accepted) EXPECT_EQ(RefusedEntryName(name), nullptr) << name;
}

TEST_F(PublisherTest, PackRefusesWhatTheLauncherWouldRefuseAndWritesNothing) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"symlink", [](const fs::path& f) { fs::create_symlink("/etc/hostname", f / "link"); },
       "symbolic link"},
      {"colon", [](const fs::path& f) { WriteText(f / "a:b.txt", "x"); }, "':'"},
      {"dot dot component", [](const fs::path& f) { WriteText(f / "..." / "x", "x"); }, "'..'"},
      {"long path",
       [](const fs::path& f) { WriteText(f / std::string(100, 'd') / std::string(60, 'f'), "x"); },
       "too long"},
      {"2 GiB",
       [](const fs::path& f) {
         WriteText(f / "big.bin", "");
         fs::resize_file(f / "big.bin", std::uint64_t{1} << 31);
       },
       "2 GiB"},
      {"empty folder", [](const fs::path&) {}, "nothing to pack"},
  };
  for (const Case& c : cases) {
    const fs::path folder = work_ / "in";
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteText(folder / "ok.txt", "fine");
    if (std::string(c.what) == "empty folder") fs::remove(folder / "ok.txt");
    c.make(folder);
    EXPECT_EQ(Tool("pack in -o out/update.zip"), 1) << c.what;
    EXPECT_NE(errors_.find(c.reason), std::string::npos) << c.what << ": " << errors_;
    EXPECT_FALSE(fs::exists(work_ / "out")) << c.what;
  }
}

TEST_F(PublisherTest, PublishedPackageVerifiesAndInstallsTheFolder) {
  std::mt19937 random(7);
  std::string noise(300000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  WriteText(work_ / "in/bin/app.dll", noise);
  WriteText(work_ / "in/readme.txt", std::string(50000, 'r'));
  WriteText(work_ / "in/中文/说明.txt", "text");
  fs::create_directories(work_ / "in/empty");
  ASSERT_EQ(Tool("keygen -o key"), 0) << errors_;
  EXPECT_EQ(fs::status(work_ / "key.key").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(Tool("publish in --key key.key --url http://127.0.0.1:1/c/update.zip -o site"), 0) << errors_;
  const std::string out = ReadText(work_ / "out.txt");
  EXPECT_NE(out.find("temp\\Updater.exe -url=http://127.0.0.1:1/c/update.zip -md5="), std::string::npos)
      << out;
  EXPECT_EQ(Tool("verify site/update.zip --pub key.pub"), 0) << errors_;

  ASSERT_EQ(ExtractArchive((work_ / "site/update.zip").wstring(), (work_ / "installed").wstring()), ZipOk);
  for (const char* name : {"bin/app.dll", "readme.txt", "中文/说明.txt"})
    EXPECT_EQ(ReadText(work_ / "installed" / name), ReadText(work_ / "in" / name)) << name;
  EXPECT_TRUE(fs::is_directory(work_ / "installed/empty"));
}

TEST_F(PublisherTest, ResignedPackageVerifiesUnderTheNewKeyOnly) {
  WriteText(work_ / "in/a.txt", "a");
  ASSERT_EQ(Tool("keygen -o old"), 0) << errors_;
  ASSERT_EQ(Tool("keygen -o new"), 0) << errors_;
  ASSERT_EQ(Tool("pack in -o update.zip"), 0) << errors_;
  EXPECT_EQ(Tool("verify update.zip --pub old.pub"), 1);
  EXPECT_NE(errors_.find("unsigned"), std::string::npos) << errors_;
  ASSERT_EQ(Tool("sign update.zip --key old.key"), 0) << errors_;
  EXPECT_EQ(Tool("verify update.zip --pub old.pub"), 0) << errors_;
  ASSERT_EQ(Tool("sign update.zip --key new.key"), 0) << errors_;
  EXPECT_EQ(Tool("verify update.zip --pub new.pub"), 0) << errors_;
  EXPECT_EQ(Tool("verify update.zip --pub old.pub"), 1);
  EXPECT_NE(errors_.find("bad signature"), std::string::npos) << errors_;
  EXPECT_EQ(Tool("keygen -o new"), 1) << "an existing private key is never replaced";
}

}  // namespace
