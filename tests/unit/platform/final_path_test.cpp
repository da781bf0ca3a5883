// Final paths compared in one form: a folder at a drive or share root (or
// the POSIX root) holds its children like any other folder.
#include "platform/final_path.h"

#include <gtest/gtest.h>

#include "platform/folder.h"

namespace {

TEST(FinalPath, ChildOfARootOrAPrefixedFolderHasOneSeparator) {
  struct Case {
    const wchar_t* folder;  // as the system may give it
    const wchar_t* child;
  };
  const Case cases[] = {
      {L"\\\\?\\D:\\", L"D:\\temp"},
      {L"\\\\?\\D:\\Apps\\Client", L"D:\\Apps\\Client\\temp"},
      {L"\\\\?\\UNC\\server\\share\\", L"\\\\server\\share\\temp"},
      {L"\\\\?\\UNC\\server\\share\\Apps", L"\\\\server\\share\\Apps\\temp"},
      {L"D:\\", L"D:\\temp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ChildFinalPath(c.folder, L"temp", L'\\'), c.child);
    EXPECT_EQ(platform::NormalFinalPath(c.child), c.child);
  }
}

// The root the file system itself starts at: "/", or Wine's Z: drive.
TEST(FinalPath, FolderAtARootOpensWhatLiesInIt) {
#ifdef _WIN32
  const std::wstring root = L"Z:\\";
#else
  const std::wstring root = L"/";
#endif
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::Open(root, status);
  ASSERT_TRUE(folder.isOpen()) << platform::DescribeOpenStatus(status);
  const platform::Folder child = folder.openFolder(L"tmp", status);
  EXPECT_EQ(status, platform::OpenStatus::Opened) << platform::DescribeOpenStatus(status);
}

}  // namespace
