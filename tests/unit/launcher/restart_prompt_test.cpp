#include "launcher/restart_prompt.h"

#include <gtest/gtest.h>

#include <string>

using launcher::RestartPromptFor;

TEST(RestartPrompt, ChineseOnlyForSimplifiedChinese) {
  const auto prompt = RestartPromptFor(0x0804);
  EXPECT_EQ(std::wstring(prompt.text), L"检测到程序正在运行，是否重新打开!");
  EXPECT_EQ(std::wstring(prompt.caption), L"提示");
}

TEST(RestartPrompt, EnglishForEveryOtherLanguage) {
  for (unsigned short language : {0x0404, 0x0409, 0x0c04, 0x1004, 0x0000}) {
    const auto prompt = RestartPromptFor(language);
    EXPECT_EQ(std::wstring(prompt.text), L"Another program is already in progress, start new one?")
        << language;
    EXPECT_EQ(std::wstring(prompt.caption), L"Prompt");
  }
}
