#include "zipextract/zip_entry_name.h"

#include <gtest/gtest.h>

TEST(ZipEntryName, CleaningDropsDrivesLeadingSeparatorsAndInnerParentJumps) {
  EXPECT_EQ(CleanEntryName(L"C:\\dir\\a.txt"), L"dir\\a.txt");
  EXPECT_EQ(CleanEntryName(L"\\\\server\\x"), L"server\\x");
  EXPECT_EQ(CleanEntryName(L"a/../../b.txt"), L"../b.txt");
  EXPECT_EQ(CleanEntryName(L"x/..\\y"), L"y");
  EXPECT_EQ(CleanEntryName(L"/..\\x"), L"..\\x");
  EXPECT_EQ(CleanEntryName(L"C:D:/e"), L"e");
  EXPECT_EQ(CleanEntryName(L"sub/dir/file.txt"), L"sub/dir/file.txt");
}

TEST(ZipEntryName, ParentComponentsAbsoluteNamesAndStreamsAreUnsafe) {
  for (const wchar_t* name : {L"..", L"../b.txt", L"..\\x", L"a/../b", L"a\\..\\b", L"a/..", L".. /x",
                              L"a/.../b", L"a/. ./b", L"/abs", L"\\abs", L"C:x", L"file.txt:stream", L""}) {
    EXPECT_FALSE(IsSafeOutputName(name)) << std::wstring(name).size();
  }
  EXPECT_FALSE(IsSafeOutputName(std::wstring(L"a\0b", 3)));
}

TEST(ZipEntryName, OrdinaryNamesWithDotsAreSafe) {
  for (const wchar_t* name :
       {L"a.txt", L"sub/dir/file.txt", L"docs/", L"./a", L"..a", L"a..b", L"a/.hidden"}) {
    EXPECT_TRUE(IsSafeOutputName(name));
  }
}

TEST(ZipEntryName, Utf8NamesDecodeAndBrokenBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8Name("\xE6\x9B\xB4\xE6\x96\xB0.txt", 10), L"\u66F4\u65B0.txt");
  EXPECT_EQ(DecodeUtf8Name("a\xFF"
                           "b",
                           3),
            L"a\uFFFDb");
  EXPECT_EQ(DecodeUtf8Name("\xC0\xAF", 2), L"\uFFFD\uFFFD");  // overlong "/"
  EXPECT_EQ(DecodeUtf8Name("\xE6\x9B", 2), L"\uFFFD\uFFFD");  // cut short
  const std::wstring astral = DecodeUtf8Name("\xF0\x9F\x98\x80", 4);
  EXPECT_EQ(astral.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}
