#include "updater/windows/progress_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace updater_ui {
namespace {

TEST(UiLanguage, OnlyChineseOfThePeoplesRepublicIsChinese) {
  EXPECT_EQ(LanguageFromLangId(2052), UiLanguage::kChinese);
  for (unsigned id : {1028u, 3076u, 4100u, 5124u, 1033u, 0u}) {
    EXPECT_EQ(LanguageFromLangId(id), UiLanguage::kEnglish) << id;
  }
}

TEST(ProgressPercent, UnknownTotalShowsZero) { EXPECT_EQ(PercentOf(12345, 0), 0); }

TEST(ProgressPercent, IsTruncatedIntegerDivision) {
  EXPECT_EQ(PercentOf(999, 1000), 99);
  EXPECT_EQ(PercentOf(1, 300), 0);
  EXPECT_EQ(PercentOf(2, 3), 66);
  EXPECT_EQ(PercentOf(4'000'000'000LL, 8'000'000'000LL), 50);
}

TEST(ProgressPercent, HugeCountsDoNotOverflow) {
  EXPECT_EQ(ShownPercent(PercentOf(INT64_MAX, 1)), 100);
  EXPECT_EQ(ShownPercent(PercentOf(INT64_MIN, 7)), 100);
}

TEST(ShownPercent, OverHundredAndNegativeBecomeHundred) {
  EXPECT_EQ(ShownPercent(150), 100);
  EXPECT_EQ(ShownPercent(100), 100);
  EXPECT_EQ(ShownPercent(-5), 100);
  EXPECT_EQ(ShownPercent(99), 99);
  EXPECT_EQ(ShownPercent(0), 0);
}

TEST(ProgressLine, EnglishNormalModeHasSixDotsBeforeTheNumber) {
  EXPECT_EQ(ProgressLine(UiLanguage::kEnglish, false, 42, 0), L"Download updatings......42%");
}

TEST(ProgressLine, ChineseLineCarriesTheFullWidthRetrySuffix) {
  EXPECT_EQ(ProgressLine(UiLanguage::kChinese, false, 42, 1),
            L"新版本下载中，建议下载完成后再进入教室...42%\uFF08重试第1次)");
}

TEST(ProgressLine, ForcedModeTextsInBothLanguages) {
  EXPECT_EQ(ProgressLine(UiLanguage::kEnglish, true, 100, 3),
            L"Find new version for client, updating now ......100%\uFF08Retring for 3 times)");
  EXPECT_EQ(ProgressLine(UiLanguage::kChinese, true, 0, 0), L"客户端有新版本，正在自动更新，请稍候哦...0%");
}

TEST(RetrySuffix, EmptyWithoutRetriesAndOpensWithTheFullWidthParenthesis) {
  EXPECT_EQ(RetrySuffix(UiLanguage::kEnglish, 0), L"");
  EXPECT_EQ(RetrySuffix(UiLanguage::kChinese, 0), L"");
  EXPECT_EQ(RetrySuffix(UiLanguage::kEnglish, 9), L"\uFF08Retring for 9 times)");
  EXPECT_EQ(RetrySuffix(UiLanguage::kChinese, 9).front(), L'\uFF08');
  EXPECT_EQ(RetrySuffix(UiLanguage::kChinese, 9).back(), L')');
}

TEST(WindowTexts, FollowTheLanguage) {
  EXPECT_STREQ(ProgramTitle(UiLanguage::kChinese), L"升级程序");
  EXPECT_STREQ(ProgramTitle(UiLanguage::kEnglish), L"Update Program");
  EXPECT_STREQ(TipsBoxTitle(), L"Vellacast提示");
  EXPECT_STREQ(FinishedText(UiLanguage::kEnglish), L"Reopen to update or update it now");
  EXPECT_STREQ(DownloadFailedButtonText(UiLanguage::kChinese), L"前往下载");
  EXPECT_STREQ(DownloadFailedButtonText(UiLanguage::kEnglish), L"Go Downloading Page");
  EXPECT_STREQ(UpdaterSkinFile(UiLanguage::kEnglish), L"UpdaterWnd_en.xml");
  EXPECT_STREQ(TipsBoxSkinFile(UiLanguage::kChinese), L"TipsBoxWnd.xml");
  EXPECT_STREQ(LaunchSkinFile(UiLanguage::kEnglish), L"LaunchWnd_en.xml");
}

}  // namespace
}  // namespace updater_ui
