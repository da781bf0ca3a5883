#include "updater/windows/ui_texts.h"

namespace updater_ui {

namespace {

constexpr unsigned kChinesePrc = 0x0804;

const wchar_t* Pick(UiLanguage language, const wchar_t* chinese, const wchar_t* english) {
  return language == UiLanguage::kChinese ? chinese : english;
}

}  // namespace

UiLanguage LanguageFromLangId(unsigned langId) {
  return langId == kChinesePrc ? UiLanguage::kChinese : UiLanguage::kEnglish;
}

const wchar_t* ProgramTitle(UiLanguage language) { return Pick(language, L"升级程序", L"Update Program"); }

const wchar_t* TipsBoxTitle() { return L"Vellacast提示"; }

const wchar_t* ProgressLineText(UiLanguage language, bool forced) {
  if (forced)
    return Pick(language, L"客户端有新版本，正在自动更新，请稍候哦",
                L"Find new version for client, updating now ...");
  return Pick(language, L"新版本下载中，建议下载完成后再进入教室", L"Download updatings...");
}

// Both begin with the full-width parenthesis U+FF08 and end with an ASCII one.
const wchar_t* RetrySuffixFormat(UiLanguage language) {
  return Pick(language, L"\uFF08重试第%d次)", L"\uFF08Retring for %d times)");
}

const wchar_t* FinishedText(UiLanguage language) {
  return Pick(language, L"新版本将在下次启动时安装，您也可以立即安装！",
              L"Reopen to update or update it now");
}

const wchar_t* DownloadFailedText(UiLanguage language) {
  return Pick(language, L"升级出问题了,请下载完整安装包~", L"Problems occured. Please visit our website~");
}

const wchar_t* DownloadFailedButtonText(UiLanguage language) {
  return Pick(language, L"前往下载", L"Go Downloading Page");
}

const wchar_t* ClientTooOldText(UiLanguage language) {
  return Pick(language, L"您的客户端版本太低，将更新至最新版本!",
              L"Your client version is too low. We will update it to the latest version!");
}

const wchar_t* NoticeButtonText() { return L"确定"; }

const wchar_t* UpdaterSkinFile(UiLanguage language) {
  return Pick(language, L"UpdaterWnd.xml", L"UpdaterWnd_en.xml");
}

const wchar_t* TipsBoxSkinFile(UiLanguage language) {
  return Pick(language, L"TipsBoxWnd.xml", L"TipsBoxWnd_en.xml");
}

const wchar_t* LaunchSkinFile(UiLanguage language) {
  return Pick(language, L"LaunchWnd.xml", L"LaunchWnd_en.xml");
}

}  // namespace updater_ui
