#pragma once
// Builds skin documents for tests: the shipped ones from the source tree, or
// text given inline.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "recording_renderer.h"
#include "skinui/skin_builder.h"
#include "skinui/skin_manager.h"
#include "skinui/skin_package.h"

namespace skintest {

// Reads entries from the source folder of the shipped skins.
class ShippedSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinUI::ResetSkinPackageForTesting();
    SkinUI::SetSkinResourcePath(L"" ZVK_SKIN_SOURCE_DIR);
  }
  void TearDown() override { SkinUI::ResetSkinPackageForTesting(); }

  // Builds `entry` into `manager` and lays it out over width x height.
  bool BuildShipped(const std::wstring& entry, int width, int height) {
    SkinUI::CSkinBuilder builder;
    auto root = builder.Build(entry, nullptr, manager);
    if (!root) {
      ADD_FAILURE() << "build failed: "
                    << std::string(builder.GetLastErrorMessage().begin(),
                                   builder.GetLastErrorMessage().end());
      return false;
    }
    manager.AttachDialog(std::move(root));
    manager.Layout(SkinUI::UiRect{0, 0, width, height});
    return true;
  }

  bool BuildText(const std::string& xml, int width = 310, int height = 100) {
    SkinUI::CSkinBuilder builder;
    auto root = builder.BuildFromMemory(xml.data(), xml.size(), nullptr, manager);
    if (!root) return false;
    manager.AttachDialog(std::move(root));
    manager.Layout(SkinUI::UiRect{0, 0, width, height});
    return true;
  }

  SkinUI::UiRect PosOf(const std::wstring& name) const {
    const SkinUI::CControlUI* c = manager.FindByName(name);
    EXPECT_NE(c, nullptr) << "no control named " << std::string(name.begin(), name.end());
    return c ? c->GetPos() : SkinUI::UiRect{};
  }

  SkinUI::CSkinManagerUI manager;
};

}  // namespace skintest

inline std::ostream& operator<<(std::ostream& os, const SkinUI::UiRect& r) {
  return os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
