#pragma once
// CContainerUI: a control that owns child controls and places them.

#include <memory>
#include <vector>

#include "skinui/control.h"

namespace SkinUI {

class IContainerUI {
 public:
  virtual ~IContainerUI() = default;
  virtual CControlUI* GetItemAt(int index) const = 0;
  virtual int GetCount() const = 0;
  // Takes ownership; returns the added control (nullptr when `control` is empty).
  virtual CControlUI* Add(std::unique_ptr<CControlUI> control) = 0;
};

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  const wchar_t* GetClass() const override;
  bool IsContainer() const override { return true; }

  CControlUI* GetItemAt(int index) const override;
  int GetCount() const override;
  CControlUI* Add(std::unique_ptr<CControlUI> control) override;

  const UiRect& GetInset() const { return inset_; }
  void SetInset(const UiRect& inset);
  int GetChildPadding() const { return childPadding_; }
  void SetChildPadding(int padding);

  // A plain container gives every visible child the whole content rectangle.
  void SetPos(const UiRect& rect) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  CControlUI* FindControlAt(UiPoint pt) override;
  void ForEach(const std::function<void(CControlUI&)>& visit) override;
  void DoPaint(IRenderer& renderer, const UiRect& paintRect) override;
  void SetManager(CSkinManagerUI* manager, CControlUI* parent) override;

 protected:
  // The rectangle shrunk by the inset.
  UiRect ContentRect() const;

 private:
  std::vector<std::unique_ptr<CControlUI>> items_;
  UiRect inset_;
  int childPadding_ = 0;
};

}  // namespace SkinUI
