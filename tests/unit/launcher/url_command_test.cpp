#include "launcher/url_command.h"

#include <gtest/gtest.h>

#include <string>

using launcher::FormatUrlCommand;

TEST(UrlCommand, QuotesThePathAndThePlaceholder) {
  const auto command = FormatUrlCommand(L"C:\\Program Files\\App\\ZVKLaunch.exe");
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(*command, L"\"C:\\Program Files\\App\\ZVKLaunch.exe\" \"%1\"");
  EXPECT_EQ(command->size(), 41u);
}

TEST(UrlCommand, ValueIsAlwaysStoredAsTheWholeBuffer) { EXPECT_EQ(launcher::kUrlCommandBytes, 520u); }

TEST(UrlCommand, PathOf252CharactersStillFits) {
  const auto command = FormatUrlCommand(std::wstring(252, L'p'));
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->size() + 1, launcher::kUrlCommandChars);
}

TEST(UrlCommand, LongerPathIsNotRegistered) {
  EXPECT_FALSE(FormatUrlCommand(std::wstring(253, L'p')).has_value());
  EXPECT_FALSE(FormatUrlCommand(std::wstring(4000, L'p')).has_value());
}
