#include "launcher/pipe_message.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/string_convert.h"

using launcher::BuildPipeMessage;
using launcher::kHandOffBufferBytes;

TEST(PipeMessage, IsTheTextFollowedByExactlyOneNul) {
  const auto message = BuildPipeMessage(L"course?id=7\"");
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(*message, std::string("course?id=7\"\0", 13));
}

TEST(PipeMessage, EmptyTextIsASingleNul) {
  const auto message = BuildPipeMessage(L"");
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(*message, std::string(1, '\0'));
}

TEST(PipeMessage, FillsTheWholeBufferAtMost) {
  const auto message = BuildPipeMessage(std::wstring(kHandOffBufferBytes - 1, L'a'));
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->size(), kHandOffBufferBytes);
  EXPECT_EQ(message->back(), '\0');
}

TEST(PipeMessage, LongerTextIsRefusedNotCut) {
  EXPECT_FALSE(BuildPipeMessage(std::wstring(kHandOffBufferBytes, L'a')).has_value());
}

TEST(PipeMessage, SizeLimitCountsConvertedBytesNotCharacters) {
  const std::wstring chinese(kHandOffBufferBytes / 2, L'\u4e2d');
  if (WideToAnsi(chinese).size() == chinese.size()) GTEST_SKIP() << "single-byte code page";
  EXPECT_FALSE(BuildPipeMessage(chinese).has_value());
}
