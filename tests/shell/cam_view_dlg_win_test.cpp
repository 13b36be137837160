#include "shell/cam_view_dlg_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right, client.bottom};
}

std::vector<std::string> MenuItems(HMENU menu, std::vector<bool>& checked) {
  std::vector<std::string> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[64] = {};
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
    checked.push_back(GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED);
  }
  return items;
}

class CamViewTest : public ::testing::Test {
 protected:
  CamViewTest() : cell_("Static", 100, WS_CHILD | WS_VISIBLE, 0, 153, 115) {}
  void SetUp() override { ASSERT_TRUE(camera_.ReplaceControl(cell_.Child(), false)); }
  void TearDown() override {
    if (view_.Handle()) DestroyWindow(view_.Handle());
  }
  SIZE PictureArea() const { return ClientSize(GetDlgItem(view_.Handle(), kCamViewPicture)); }
  // The check marks of the size menu, small to large.
  std::vector<bool> SizeMenuChecks() const {
    std::vector<bool> checked;
    HMENU menu = view_.BuildSizeMenu();
    MenuItems(menu, checked);
    DestroyMenu(menu);
    return checked;
  }

  double aspect_ = 0.75;
  TestWindow cell_;
  CamViewDlg view_{[this] { return aspect_; }};  // outlives the camera, which closes it
  CamWnd camera_;
};

TEST(CamViewSizeTest, PresetsFollowTheAspectRatio) {
  EXPECT_EQ(ViewPictureSize(169, 0.75).cx, 400);
  EXPECT_EQ(ViewPictureSize(169, 0.75).cy, 300);
  EXPECT_EQ(ViewPictureSize(171, 0.5625).cy, 450);
  EXPECT_EQ(ViewPictureSize(12, 1.0).cx, 640);
  EXPECT_EQ(ViewPictureSize(170, 0.333).cy, 213);  // truncated
  EXPECT_EQ(NextViewSize(169), 170);
  EXPECT_EQ(NextViewSize(170), 171);
  EXPECT_EQ(NextViewSize(171), 169);
  EXPECT_EQ(NextViewSize(0), 169);
}

TEST_F(CamViewTest, OpensAtTheSmallSizeAndDoubleClicksStepThroughThePresets) {
  OpenView(camera_, view_, cell_.Parent());
  ASSERT_TRUE(IsWindowVisible(view_.Handle()));
  EXPECT_EQ(PictureArea().cx, 400);
  EXPECT_EQ(PictureArea().cy, 300);
  EXPECT_EQ(ClientSize(view_.Handle()).cx, 400);
  EXPECT_EQ(ClientSize(view_.Handle()).cy, 300);
  const std::pair<int, int> steps[] = {{640, 480}, {800, 600}, {400, 300}};
  for (const auto& [w, h] : steps) {
    SendMessageA(view_.Handle(), WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(PictureArea().cx, w);
    EXPECT_EQ(PictureArea().cy, h);
  }
  SendMessageA(view_.Handle(), WM_COMMAND, 171, 0);
  EXPECT_EQ(SizeMenuChecks(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(ClientSize(view_.Handle()).cy, 600);
}

TEST_F(CamViewTest, SizeMenuReadsThePresetsAndChecksTheChoiceUntilResizedByHand) {
  aspect_ = 1.0;
  OpenView(camera_, view_, cell_.Parent());
  std::vector<bool> checked;
  HMENU menu = view_.BuildSizeMenu();
  EXPECT_EQ(MenuItems(menu, checked), (std::vector<std::string>{"400x400", "640x640", "800x800"}));
  EXPECT_EQ(checked, (std::vector<bool>{true, false, false}));
  DestroyMenu(menu);

  // A move keeps the choice; a resize by the border drops it.
  SendMessageA(view_.Handle(), WM_ENTERSIZEMOVE, 0, 0);
  SetWindowPos(view_.Handle(), nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(view_.Handle(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(SizeMenuChecks(), (std::vector<bool>{true, false, false}));
  SendMessageA(view_.Handle(), WM_ENTERSIZEMOVE, 0, 0);
  SetWindowPos(view_.Handle(), nullptr, 0, 0, 500, 420, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageA(view_.Handle(), WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(SizeMenuChecks(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(PictureArea().cx, ClientSize(view_.Handle()).cx) << "the picture fills the resized window";
  SendMessageA(view_.Handle(), WM_LBUTTONDBLCLK, 0, 0);
  EXPECT_EQ(PictureArea().cx, 400);
}

TEST_F(CamViewTest, FollowsTheCamerasPicturesAndEscHidesWhileCloseDestroys) {
  OpenView(camera_, view_, cell_.Parent());
  EXPECT_FALSE(view_.Preview().HasPicture()) << "a camera without a picture shows none";
  auto frame = std::make_shared<Frame>();
  frame->picture = SmoothPicture(64, 48);
  camera_.Worker().Slot()->Publish(std::move(frame));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_TRUE(view_.Preview().HasPicture());

  HWND window = view_.Handle();
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  SendMessageA(window, WM_COMMAND, 170, 0);
  OpenView(camera_, view_, cell_.Parent());
  EXPECT_EQ(view_.Handle(), window);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(PictureArea().cx, 640) << "shown again at its last size";

  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(view_.Handle(), nullptr);
  OpenView(camera_, view_, cell_.Parent());
  EXPECT_NE(view_.Handle(), nullptr);
  EXPECT_EQ(PictureArea().cx, 400);
  EXPECT_TRUE(view_.Preview().HasPicture()) << "a new view gets the current picture";
}

}  // namespace
