#include "skinui/button.h"
#include "skinui/label.h"
#include "updater/windows/tips_box_wnd.h"
#include "updater/windows/ui_language.h"

namespace {

constexpr DWORD kTipsBoxStyle = 0x96C80000;  // popup, visible, clip flags, caption, system menu
constexpr DWORD kTipsBoxExStyle = WS_EX_TOOLWINDOW;
constexpr SkinUI::UiColor kConfirmHotTextColor = 0x00FFFFFF;
constexpr SkinUI::UiColor kConfirmPushedTextColor = 0x00B2C3CC;

}  // namespace

CTipsBoxWnd::CTipsBoxWnd(HWND owner, const std::wstring& message, TipsBoxType type)
    : type_(type), message_(message) {
  Create(owner, updater_ui::TipsBoxTitle(), kTipsBoxStyle, kTipsBoxExStyle);
}

std::wstring CTipsBoxWnd::SkinFileName() const {
  return updater_ui::TipsBoxSkinFile(updater_ui::CurrentUiLanguage());
}

LRESULT CTipsBoxWnd::OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  const LRESULT result = CZvkWndBase::OnCreate(msg, wParam, lParam, handled);
  CenterOnOwner();
  return result;
}

void CTipsBoxWnd::OnSkinLoaded() {
  tipsLabel_ = dynamic_cast<SkinUI::CLabelUI*>(m_pm.FindByName(L"tipsLabel"));
  cancelButton_ = dynamic_cast<SkinUI::CButtonUI*>(m_pm.FindByName(L"cancelButton"));
  confirmButton_ = dynamic_cast<SkinUI::CButtonUI*>(m_pm.FindByName(L"confirmButton"));
  if (confirmButton_) {
    confirmButton_->SetText(type_ == kTipsBoxFailure ? std::wstring() : updater_ui::NoticeButtonText());
    confirmButton_->SetTextColor(0);
    confirmButton_->SetHotTextColor(kConfirmHotTextColor);
    confirmButton_->SetPushedTextColor(kConfirmPushedTextColor);
  }
  if (cancelButton_) cancelButton_->SetVisible((type_ & 1) != 0);
  if (tipsLabel_) tipsLabel_->SetText(message_);
}

void CTipsBoxWnd::SetConfirmText(const std::wstring& text) {
  if (confirmButton_) confirmButton_->SetText(text);
}

void CTipsBoxWnd::OnNotify(SkinUI::TSkinNotify& msg) {
  if (msg.sType != SkinUI::kNotifyClick || !msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closeButton" || name == L"cancelButton") {
    CloseWith(kCloseCancel);
  } else if (name == L"confirmButton") {
    CloseWith(kCloseConfirm);
  }
}
