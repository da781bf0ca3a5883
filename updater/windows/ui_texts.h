#pragma once
// The texts of the updater's windows in the two UI languages. Portable: the
// caller decides the language (see ui_language.h) and asks again at each use.

#include <string>

namespace updater_ui {

enum class UiLanguage { kChinese, kEnglish };

// Chinese only for 2052 (Chinese, People's Republic of China); every other
// language id, the other Chinese ones included, is English.
UiLanguage LanguageFromLangId(unsigned langId);

// Title of the updater and launch windows (taskbar and Alt+Tab).
const wchar_t* ProgramTitle(UiLanguage language);
// Title of the tips box, the same in every language.
const wchar_t* TipsBoxTitle();

// The updater window's progress line before the percentage.
const wchar_t* ProgressLineText(UiLanguage language, bool forced);
// printf-style format of the retry suffix, with one %d.
const wchar_t* RetrySuffixFormat(UiLanguage language);
// Shown in normal mode once the package is downloaded.
const wchar_t* FinishedText(UiLanguage language);
// The tips box after the download failed for good, and its button.
const wchar_t* DownloadFailedText(UiLanguage language);
const wchar_t* DownloadFailedButtonText(UiLanguage language);
// The tips box before a forced update.
const wchar_t* ClientTooOldText(UiLanguage language);
// The confirm button of a plain notice, in every language.
const wchar_t* NoticeButtonText();

// Skin documents of the three windows.
const wchar_t* UpdaterSkinFile(UiLanguage language);
const wchar_t* TipsBoxSkinFile(UiLanguage language);
const wchar_t* LaunchSkinFile(UiLanguage language);

}  // namespace updater_ui
