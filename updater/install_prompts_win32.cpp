#include <windows.h>

#include "updater/install_prompts.h"
#include "updater/windows/launch_wnd.h"
#include "updater/windows/tips_box_wnd.h"
#include "updater/windows/ui_language.h"
#include "updater/windows/ui_texts.h"

namespace {

using updater_ui::UiLanguage;

// The install failure has its own English wording; the Chinese one is the
// download failure's.
const wchar_t* InstallFailedText(UiLanguage language) {
  return language == UiLanguage::kChinese
             ? updater_ui::DownloadFailedText(language)
             : L"There are some problems in Updating, Please download full installer from website~";
}

}  // namespace

void ShowInstallFailureBox() {
  const UiLanguage language = updater_ui::CurrentUiLanguage();
  CTipsBoxWnd box(nullptr, InstallFailedText(language), kTipsBoxFailure);
  box.SetConfirmText(updater_ui::DownloadFailedButtonText(language));
  box.RunModal();
}

void RunLaunchWindow(const std::function<void()>& afterClose) {
  CLaunchWnd window;
  window.CenterOnOwner();
  window.RunModal();
  afterClose();
}
