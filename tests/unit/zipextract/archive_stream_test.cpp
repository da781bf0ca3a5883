// The archive's reads through the package handle: a failure is not forgotten.
#include "zipextract/archive_stream.h"

#include <gtest/gtest.h>

#include "tests/unit/zipextract/zip_builder.h"

namespace {

// A read that fails and a later one on a handle that reads again: the second
// fails too, or minizip could take a half-read archive for a whole one.
TEST(ArchiveStream, ReadFailureStaysForEveryLaterRead) {
  ziptest::TempFolder temp;
  const auto archive = temp.path() / "package.zip";
  ASSERT_TRUE(ziptest::WriteArchive(archive, {{"a.txt", "some text"}}));
  platform::File file = platform::File::CreateForWrite((temp.path() / "write-only").wstring(), 0);
  ASSERT_TRUE(file.isOpen());
  ArchiveStream stream;
  AttachArchiveStream(stream, file);
  const zlib_filefunc64_def functions = ArchiveStreamFunctions();
  void* opened = functions.zopen64_file(functions.opaque, &stream, ZLIB_FILEFUNC_MODE_READ);
  char bytes[4] = {};
  EXPECT_EQ(functions.zread_file(functions.opaque, opened, bytes, sizeof bytes), 0u);

  file = platform::File::OpenForRead(archive.wstring());
  ASSERT_TRUE(file.isOpen());
  EXPECT_EQ(functions.zread_file(functions.opaque, opened, bytes, sizeof bytes), 0u);
  EXPECT_NE(functions.zerror_file(functions.opaque, opened), 0);
  EXPECT_EQ(functions.zseek64_file(functions.opaque, opened, 0, ZLIB_FILEFUNC_SEEK_END), -1);
}

}  // namespace
