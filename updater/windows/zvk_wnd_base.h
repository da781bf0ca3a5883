#pragma once
// CZvkWndBase: what the updater's three skinned windows share. The skin comes
// from the "ZIPRES" resource 102 of the program; Enter posts a close with
// code 1 and Escape with code 2 (seen by the message filter, whichever
// control has the focus); the skin's caption band drags the window except
// over buttons. A window belongs to the thread that created it.

#include <windows.h>

#include <string>

#include "skinui/win32/window_impl_base.h"

class CZvkWndBase : public SkinUI::WindowImplBase {
 public:
  static constexpr int kSkinResourceId = 102;
  static constexpr UINT kProgramIconId = 101;
  // Close codes of RunModal.
  static constexpr UINT kCloseConfirm = 1;
  static constexpr UINT kCloseCancel = 2;

  // Posts WM_CLOSE with wParam = code when the window still exists.
  void CloseWith(UINT code);

  // Shows the window, disables its owner and runs this thread's messages
  // until the window is gone or WM_QUIT arrives (which is posted again for
  // the enclosing loop). Returns the code of the posted WM_CLOSE that ended
  // it, 0 when the window went another way (Alt+F4) or never existed.
  UINT RunModal();

  // Centres the window on its owner, or on the work area when it has none or
  // the owner is minimised, kept inside the work area. Size and z-order stay.
  void CenterOnOwner();

  // Hide, or show with or without activation; nothing when there is no window.
  void ShowWindow(bool show = true, bool takeFocus = true);

  // Sets the large and small icon from the icon group `id` of the program.
  void SetWindowIcon(UINT id);

  // Enter and Escape; everything else passes.
  LRESULT FilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  CZvkWndBase() = default;

  UINT ClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  SkinUI::SkinResourceKind ResourceKind() const override { return SkinUI::kSkinFromZipRes; }
  int ResourceId() const override { return kSkinResourceId; }
};
