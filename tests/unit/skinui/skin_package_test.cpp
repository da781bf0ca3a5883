// The skin package: zip in memory, entries on disk, size limit, error texts.

#include "skinui/skin_package.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "skinui/skin_builder.h"
#include "skinui/skin_manager.h"

namespace {

namespace fs = std::filesystem;
using SkinUI::ReadSkinEntry;

std::string ToNarrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class SkinPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinUI::ResetSkinPackageForTesting();
    dir_ = fs::temp_directory_path() /
           ("skinui_pkg_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    SkinUI::ResetSkinPackageForTesting();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A zip with the given entries, read back into memory.
  std::vector<char> MakeZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string path = (dir_ / "test.zip").string();
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(zf, nullptr);
    for (const auto& [name, data] : entries) {
      EXPECT_EQ(
          zipOpenNewFileInZip(zf, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6),
          ZIP_OK);
      if (!data.empty()) zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size()));
      zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
    return ReadFile(dir_ / "test.zip");
  }

  static std::vector<char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  }

  void WriteFile(const std::string& name, const std::string& data) {
    std::ofstream(dir_ / name, std::ios::binary) << data;
  }

  std::wstring ReadError(const std::wstring& name) {
    std::vector<char> bytes;
    std::wstring error;
    EXPECT_FALSE(ReadSkinEntry(name, bytes, error));
    return error;
  }

  fs::path dir_;
};

TEST_F(SkinPackageTest, ZipEntriesAreFoundWithoutRegardToCase) {
  static std::vector<char> zip;  // registered buffers outlive the registration
  zip = MakeZip({{"Skin.xml", "<Window/>"}});
  ASSERT_TRUE(SkinUI::RegisterSkinZipFromMemory(zip.data(), zip.size()));
  EXPECT_EQ(SkinUI::GetRegisteredSkinZipName(), L"membuffer");
  std::vector<char> bytes;
  std::wstring error;
  ASSERT_TRUE(ReadSkinEntry(L"SKIN.XML", bytes, error)) << ToNarrow(error);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<Window/>");
  EXPECT_EQ(ReadError(L"other.xml"), L"Could not find ziped file");
}

TEST_F(SkinPackageTest, EntryOfExactlyTheLimitLoadsAndOneByteMoreIsTooLarge) {
  static std::vector<char> zip;
  zip = MakeZip({{"exact.bin", std::string(SkinUI::kMaxSkinEntrySize, 'a')},
                 {"over.bin", std::string(SkinUI::kMaxSkinEntrySize + 1, 'a')},
                 {"empty.bin", ""}});
  ASSERT_TRUE(SkinUI::RegisterSkinZipFromMemory(zip.data(), zip.size()));
  std::vector<char> bytes;
  std::wstring error;
  ASSERT_TRUE(ReadSkinEntry(L"exact.bin", bytes, error)) << ToNarrow(error);
  EXPECT_EQ(bytes.size(), SkinUI::kMaxSkinEntrySize);
  EXPECT_EQ(ReadError(L"over.bin"), L"File too large");
  EXPECT_EQ(ReadError(L"empty.bin"), L"File is empty");
}

TEST_F(SkinPackageTest, FirstRegistrationWins) {
  static std::vector<char> first;
  static std::vector<char> second;
  first = MakeZip({{"a.xml", "first"}});
  second = MakeZip({{"a.xml", "second"}});
  SkinUI::RegisterSkinZipFromMemory(first.data(), first.size());
  SkinUI::RegisterSkinZipFromMemory(second.data(), second.size());
  std::vector<char> bytes;
  std::wstring error;
  ASSERT_TRUE(ReadSkinEntry(L"a.xml", bytes, error));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first");
}

TEST_F(SkinPackageTest, CopiedPackageOutlivesTheCallersBytes) {
  std::vector<char> zip = MakeZip({{"a.xml", "kept"}});
  ASSERT_TRUE(SkinUI::RegisterSkinZipCopy(zip.data(), zip.size()));
  std::fill(zip.begin(), zip.end(), '\0');
  zip.clear();
  zip.shrink_to_fit();
  std::vector<char> bytes;
  std::wstring error;
  ASSERT_TRUE(ReadSkinEntry(L"a.xml", bytes, error)) << ToNarrow(error);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "kept");
}

TEST_F(SkinPackageTest, GarbageRegisteredAsZipCannotBeOpened) {
  static const char garbage[] = "this is not a zip archive";
  SkinUI::RegisterSkinZipFromMemory(garbage, sizeof(garbage));
  EXPECT_EQ(ReadError(L"a.xml"), L"Error opening zip file");
}

TEST_F(SkinPackageTest, CorruptedEntryCannotBeUnzipped) {
  static std::vector<char> zip;
  zip = MakeZip({{"a.xml", std::string(1000, 'x') + "tail"}});
  // Flip bytes in the compressed data, which starts after the 30-byte local header and the name.
  for (std::size_t i = 40; i < 50 && i < zip.size(); ++i) zip[i] = static_cast<char>(zip[i] ^ 0x5A);
  SkinUI::RegisterSkinZipFromMemory(zip.data(), zip.size());
  EXPECT_EQ(ReadError(L"a.xml"), L"Could not unzip file");
}

TEST_F(SkinPackageTest, WithoutZipEntriesComeFromTheResourcePath) {
  SkinUI::SetSkinResourcePath(dir_.wstring() + L"/");
  EXPECT_EQ(SkinUI::GetSkinResourcePath().back(), L'/');
  WriteFile("exact.bin", std::string(SkinUI::kMaxSkinEntrySize, 'b'));
  WriteFile("over.bin", std::string(SkinUI::kMaxSkinEntrySize + 1, 'b'));
  WriteFile("empty.bin", "");
  std::vector<char> bytes;
  std::wstring error;
  EXPECT_TRUE(ReadSkinEntry(L"exact.bin", bytes, error)) << ToNarrow(error);
  EXPECT_EQ(ReadError(L"over.bin"), L"File too large");
  EXPECT_EQ(ReadError(L"empty.bin"), L"File is empty");
  EXPECT_EQ(ReadError(L"missing.bin"), L"Error opening file");
}

TEST_F(SkinPackageTest, ImagesMissingFromTheZipComeFromDiskAndFailuresAreNotRetried) {
  static std::vector<char> zip;
  zip = MakeZip({{"a.xml", "<Window/>"}});
  SkinUI::RegisterSkinZipFromMemory(zip.data(), zip.size());
  SkinUI::SetSkinResourcePath(dir_.wstring() + L"/");
  const std::vector<char> png = ReadFile(fs::path(ZVK_SKIN_SOURCE_DIR) / "progress_fg.png");
  WriteFile("pic.png", std::string(png.begin(), png.end()));
  SkinUI::CSkinManagerUI manager;
  ASSERT_NE(manager.GetImage(L"pic.png"), nullptr);
  EXPECT_EQ(manager.GetImage(L"later.png"), nullptr);
  WriteFile("later.png", std::string(png.begin(), png.end()));
  EXPECT_EQ(manager.GetImage(L"later.png"), nullptr);
  WriteFile("broken.png", "not a png");
  EXPECT_EQ(manager.GetImage(L"broken.png"), nullptr);
}

TEST_F(SkinPackageTest, ResourcePathGetsASeparatorUnlessEmpty) {
  SkinUI::SetSkinResourcePath(L"C:\\A");
  EXPECT_EQ(SkinUI::GetSkinResourcePath(), L"C:\\A\\");
  SkinUI::SetSkinResourcePath(L"C:\\B\\");
  EXPECT_EQ(SkinUI::GetSkinResourcePath(), L"C:\\B\\");
  SkinUI::SetSkinResourcePath(L"");
  EXPECT_EQ(SkinUI::GetSkinResourcePath(), L"");
}

TEST_F(SkinPackageTest, BuiltSkinPackageHoldsEveryEntryAtTopLevel) {
  static std::vector<char> zip;
  zip = ReadFile(ZVK_SKIN_ZIP_PATH);
  ASSERT_FALSE(zip.empty());
  ASSERT_TRUE(SkinUI::RegisterSkinZipFromMemory(zip.data(), zip.size()));
  for (const wchar_t* skin : {L"UpdaterWnd.xml", L"UpdaterWnd_en.xml", L"TipsBoxWnd.xml",
                              L"TipsBoxWnd_en.xml", L"LaunchWnd.xml", L"LaunchWnd_en.xml"}) {
    SkinUI::CSkinManagerUI manager;
    SkinUI::CSkinBuilder builder;
    EXPECT_NE(builder.Build(skin, nullptr, manager), nullptr) << ToNarrow(builder.GetLastErrorMessage());
  }
  SkinUI::CSkinManagerUI manager;
  for (const wchar_t* base : {L"btn_close", L"btn_skip", L"btn_install", L"btn_common", L"btn_cancel",
                              L"btn_launch", L"btn_confirm"}) {
    for (const wchar_t* state : {L"_n", L"_h", L"_p"}) {
      for (const wchar_t* lang : {L"", L"_en"}) {
        const std::wstring name = std::wstring(base) + state + lang + L".png";
        EXPECT_NE(manager.GetImage(name), nullptr) << ToNarrow(name);
      }
    }
  }
  const SkinUI::SkinImage* bar = manager.GetImage(L"progress_fg_en.png");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->width, 40);
  EXPECT_EQ(bar->height, 2);
  EXPECT_EQ(manager.GetImage(L"btn_close_n.png")->width, 14);
  EXPECT_EQ(manager.GetImage(L"btn_cancel_h_en.png")->width, 72);
  EXPECT_EQ(manager.GetImage(L"btn_cancel_h_en.png")->height, 24);
}

}  // namespace
