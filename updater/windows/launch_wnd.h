#pragma once
// CLaunchWnd: "update complete", shown modally at the end of the install
// step. It closes with code 1 as soon as its close button reports anything
// (the press, before the release), 1 on Enter, 2 on Escape, 0 on Alt+F4;
// the launch button does nothing. The window itself starts nothing.
//
//   CLaunchWnd wnd;
//   wnd.CenterOnOwner();
//   wnd.RunModal();

#include "updater/windows/zvk_wnd_base.h"

class CLaunchWnd : public CZvkWndBase {
 public:
  static constexpr const wchar_t* kClassName = L"zvk_updater_launch_wnd_class_name";

  // Creates the window at once (no owner).
  CLaunchWnd();

  void OnNotify(SkinUI::TSkinNotify& msg) override;

 protected:
  const wchar_t* WindowClassName() const override { return kClassName; }
  std::wstring SkinFileName() const override;
};
