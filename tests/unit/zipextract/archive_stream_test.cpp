#include "zipextract/archive_stream.h"

#include <gtest/gtest.h>

#include "tests/unit/zipextract/zip_builder.h"

namespace {

// A read that worked again after a failed one could pass a half-read archive
// for a whole one: once failed, the stream stays failed.
TEST(ArchiveStream, ReadFailureStaysForEveryLaterRead) {
  ziptest::TempFolder temp;
  ASSERT_TRUE(ziptest::WriteArchive(temp.path() / "package.zip", {{"a.txt", "some text"}}));
  platform::File file = platform::File::CreateForWrite((temp.path() / "write-only").wstring(), 0);
  ArchiveStream stream;
  AttachArchiveStream(stream, file);
  const zlib_filefunc64_def io = ArchiveStreamFunctions();
  void* opened = io.zopen64_file(io.opaque, &stream, ZLIB_FILEFUNC_MODE_READ);
  char bytes[4] = {};
  EXPECT_EQ(io.zread_file(io.opaque, opened, bytes, sizeof bytes), 0u);
  file = platform::File::OpenForRead((temp.path() / "package.zip").wstring());  // reads again
  EXPECT_EQ(io.zread_file(io.opaque, opened, bytes, sizeof bytes), 0u);
  EXPECT_NE(io.zerror_file(io.opaque, opened), 0);
}

}  // namespace
