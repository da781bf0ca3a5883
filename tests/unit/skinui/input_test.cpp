// Input routing and notifications with synthetic events.

#include "skin_fixture.h"
#include "skinui/button.h"

namespace skintest {
namespace {

using SkinUI::UiPoint;

struct Recorder : SkinUI::INotifyUI {
  explicit Recorder(std::string tag) : tag(std::move(tag)) {}
  void OnNotify(SkinUI::TSkinNotify& msg) override {
    const std::wstring& name = msg.pSender->GetName();
    log->push_back(tag + ":" + std::string(msg.sType.begin(), msg.sType.end()) + ":" +
                   std::string(name.begin(), name.end()));
  }
  std::string tag;
  std::vector<std::string>* log = nullptr;
};

class InputTest : public ShippedSkinTest {
 protected:
  void SetUp() override {
    ShippedSkinTest::SetUp();
    ASSERT_TRUE(BuildShipped(L"TipsBoxWnd.xml", 310, 100));
    first.log = second.log = &log;
    manager.AddNotifier(&first);
    manager.AddNotifier(&second);
  }
  Recorder first{"1"};
  Recorder second{"2"};
  std::vector<std::string> log;
  const UiPoint confirm{230, 75};
  const UiPoint close{295, 12};
};

TEST_F(InputTest, PressAndReleaseSendFocusThenClickToEveryListenerInOrder) {
  manager.OnMouseMove(confirm);
  manager.OnButtonDown(confirm);
  manager.OnButtonUp(confirm);
  EXPECT_EQ(log, (std::vector<std::string>{"1:setfocus:confirmButton", "2:setfocus:confirmButton",
                                           "1:click:confirmButton", "2:click:confirmButton"}));
}

TEST_F(InputTest, PressOnAnotherControlMovesTheFocus) {
  manager.OnButtonDown(confirm);
  manager.OnButtonUp(confirm);
  log.clear();
  manager.OnButtonDown(close);
  EXPECT_EQ(log, (std::vector<std::string>{"1:killfocus:confirmButton", "2:killfocus:confirmButton",
                                           "1:setfocus:closeButton", "2:setfocus:closeButton"}));
}

TEST_F(InputTest, ReleaseOutsideTheButtonSendsNoClick) {
  manager.OnButtonDown(confirm);
  manager.OnMouseMove(UiPoint{10, 75});
  manager.OnButtonUp(UiPoint{10, 75});
  EXPECT_EQ(std::count(log.begin(), log.end(), "1:click:confirmButton"), 0);
  auto* button = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"confirmButton"));
  EXPECT_EQ(button->GetState() & (SkinUI::CButtonUI::kStatePushed | SkinUI::CButtonUI::kStateCaptured), 0u);
}

TEST_F(InputTest, DisabledOrHiddenButtonsDoNotClick) {
  auto* button = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"confirmButton"));
  button->SetEnabled(false);
  manager.OnButtonDown(confirm);
  manager.OnButtonUp(confirm);
  button->SetEnabled(true);
  button->SetVisible(false);
  EXPECT_FALSE(button->Activate());
  EXPECT_EQ(std::count(log.begin(), log.end(), "1:click:confirmButton"), 0);
}

TEST_F(InputTest, SpaceOrReturnActivateTheFocusedButton) {
  manager.OnButtonDown(confirm);
  manager.OnButtonUp(UiPoint{0, 0});
  log.clear();
  manager.OnKeyDown(SkinUI::kKeyReturn, false);
  manager.OnKeyDown(SkinUI::kKeySpace, false);
  manager.OnKeyDown('A', false);
  EXPECT_EQ(std::count(log.begin(), log.end(), "1:click:confirmButton"), 2);
}

TEST_F(InputTest, TabMovesTheFocusAmongVisibleButtons) {
  // cancelButton is visible in the raw skin; the tips box hides it.
  manager.FindByName(L"cancelButton")->SetVisible(false);
  manager.OnKeyDown(SkinUI::kKeyTab, false);
  EXPECT_EQ(manager.GetFocus(), manager.FindByName(L"closeButton"));
  manager.OnKeyDown(SkinUI::kKeyTab, false);
  EXPECT_EQ(manager.GetFocus(), manager.FindByName(L"confirmButton"));
  manager.OnKeyDown(SkinUI::kKeyTab, true);
  EXPECT_EQ(manager.GetFocus(), manager.FindByName(L"closeButton"));
}

TEST_F(InputTest, LeavingTheWindowClearsTheHotButton) {
  manager.OnMouseMove(confirm);
  auto* button = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"confirmButton"));
  EXPECT_TRUE(button->GetState() & SkinUI::CButtonUI::kStateHot);
  manager.OnMouseLeave();
  EXPECT_FALSE(button->GetState() & SkinUI::CButtonUI::kStateHot);
  EXPECT_EQ(manager.GetHot(), nullptr);
}

TEST_F(InputTest, HidingAPressedButtonClearsItsStateWithoutAClick) {
  manager.OnMouseMove(confirm);
  manager.OnButtonDown(confirm);
  auto* button = dynamic_cast<SkinUI::CButtonUI*>(manager.FindByName(L"confirmButton"));
  button->SetVisible(false);
  EXPECT_EQ(button->GetState(), 0u);
  EXPECT_EQ(manager.GetHot(), nullptr);
  EXPECT_EQ(manager.GetCapture(), nullptr);
  EXPECT_EQ(manager.GetFocus(), nullptr);
  manager.OnButtonUp(confirm);
  EXPECT_EQ(std::count(log.begin(), log.end(), "1:click:confirmButton"), 0);
}

TEST_F(InputTest, ClosingReleasesInputWithoutAClick) {
  manager.OnMouseMove(confirm);
  manager.OnButtonDown(confirm);
  log.clear();
  manager.ReleaseInputOnClose();
  EXPECT_EQ(log, (std::vector<std::string>{"1:killfocus:confirmButton", "2:killfocus:confirmButton"}));
  EXPECT_EQ(manager.GetCapture(), nullptr);
  EXPECT_EQ(manager.GetFocus(), nullptr);
}

TEST_F(InputTest, WindowInitIsSentOnceAtTheFirstPaint) {
  RecordingRenderer renderer;
  manager.NeedUpdate();
  manager.Paint(renderer, SkinUI::UiRect{0, 0, 310, 100});
  manager.NeedUpdate();
  manager.Paint(renderer, SkinUI::UiRect{0, 0, 310, 100});
  EXPECT_EQ(std::count(log.begin(), log.end(), "1:windowinit:"), 1);
}

TEST_F(InputTest, ListenerThatRemovesTheOtherStopsItsDelivery) {
  struct Remover : SkinUI::INotifyUI {
    void OnNotify(SkinUI::TSkinNotify&) override { manager->RemoveNotifier(victim); }
    SkinUI::CSkinManagerUI* manager = nullptr;
    SkinUI::INotifyUI* victim = nullptr;
  } remover;
  manager.RemoveNotifier(&first);
  manager.RemoveNotifier(&second);
  remover.manager = &manager;
  remover.victim = &second;
  manager.AddNotifier(&remover);
  manager.AddNotifier(&second);
  manager.OnButtonDown(confirm);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace skintest
