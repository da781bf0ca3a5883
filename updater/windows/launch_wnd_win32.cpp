#include "updater/windows/launch_wnd.h"
#include "updater/windows/ui_language.h"

namespace {

constexpr DWORD kLaunchStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
constexpr DWORD kLaunchExStyle = WS_EX_WINDOWEDGE;

}  // namespace

CLaunchWnd::CLaunchWnd() {
  if (Create(nullptr, updater_ui::ProgramTitle(updater_ui::CurrentUiLanguage()), kLaunchStyle,
             kLaunchExStyle)) {
    SetWindowIcon(kProgramIconId);
  }
}

std::wstring CLaunchWnd::SkinFileName() const {
  return updater_ui::LaunchSkinFile(updater_ui::CurrentUiLanguage());
}

void CLaunchWnd::OnNotify(SkinUI::TSkinNotify& msg) {
  // Any notification counts: the focus change of a press arrives before the click.
  if (msg.pSender && msg.pSender->GetName() == L"closeButton") CloseWith(kCloseConfirm);
}
