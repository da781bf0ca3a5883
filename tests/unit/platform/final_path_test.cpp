// A folder at a drive or share root (or the POSIX root) holds its children
// like any other: final paths are joined with one separator.
#include "platform/final_path.h"

#include <gtest/gtest.h>

#include "platform/folder.h"

namespace {

TEST(FinalPath, ChildOfARootHasOneSeparator) {
  EXPECT_EQ(platform::ChildFinalPath(L"\\\\?\\D:\\", L"temp", L'\\'), L"D:\\temp");
  EXPECT_EQ(platform::ChildFinalPath(L"\\\\?\\UNC\\srv\\share\\", L"temp", L'\\'), L"\\\\srv\\share\\temp");
  EXPECT_EQ(platform::ChildFinalPath(L"\\\\?\\D:\\App", L"temp", L'\\'), L"D:\\App\\temp");
#ifdef _WIN32
  const std::wstring root = L"Z:\\";  // Wine's drive for "/"
#else
  const std::wstring root = L"/";
#endif
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::Open(root, status);
  ASSERT_TRUE(folder.isOpen()) << platform::DescribeOpenStatus(status);
  folder.openFolder(L"tmp", status);
  EXPECT_EQ(status, platform::OpenStatus::Opened) << platform::DescribeOpenStatus(status);
}

}  // namespace
