#pragma once
// CTipsBoxWnd: the updater's skinned message box with one line of text and a
// confirm button. Construct it (the window appears centred on its owner),
// optionally change the confirm button's text, then RunModal:
//
//   CTipsBoxWnd box(owner, text, kTipsBoxNotice);
//   box.SetConfirmText(L"...");          // type 2 starts with an empty button
//   box.RunModal();                      // 1 confirm/Enter, 2 close/Escape, 0 Alt+F4
//
// Runs on the thread that constructs it (the failure box runs on the
// download worker's thread).

#include <string>

#include "updater/windows/zvk_wnd_base.h"

namespace SkinUI {
class CButtonUI;
class CLabelUI;
}  // namespace SkinUI

// Bit 0 shows the cancel button; no caller sets it.
using TipsBoxType = int;
constexpr TipsBoxType kTipsBoxNotice = 0;   // confirm button "确定"
constexpr TipsBoxType kTipsBoxFailure = 2;  // empty confirm button; the caller names it

class CTipsBoxWnd : public CZvkWndBase {
 public:
  static constexpr const wchar_t* kClassName = L"zvk_updater_tips_wnd_class_name";

  // Creates the window at once; `owner` may be null.
  CTipsBoxWnd(HWND owner, const std::wstring& message, TipsBoxType type);

  // The controls of the skin; null when the window could not be created.
  SkinUI::CButtonUI* confirmButton() const { return confirmButton_; }
  SkinUI::CButtonUI* cancelButton() const { return cancelButton_; }
  SkinUI::CLabelUI* tipsLabel() const { return tipsLabel_; }
  // Sets the confirm button's text when there is one.
  void SetConfirmText(const std::wstring& text);

  void OnNotify(SkinUI::TSkinNotify& msg) override;

 protected:
  const wchar_t* WindowClassName() const override { return kClassName; }
  std::wstring SkinFileName() const override;
  void OnSkinLoaded() override;
  LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  TipsBoxType type_;
  std::wstring message_;
  SkinUI::CLabelUI* tipsLabel_ = nullptr;
  SkinUI::CButtonUI* cancelButton_ = nullptr;
  SkinUI::CButtonUI* confirmButton_ = nullptr;
};
