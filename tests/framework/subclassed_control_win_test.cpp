#include "framework/subclassed_control_win.h"

#include <gtest/gtest.h>

#include "support/test_window_win.h"

namespace {

class Recorder : public SubclassedControl {
 public:
  std::vector<UINT> seen;

 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_APP) seen.push_back(message);
    return SubclassedControl::HandleMessage(window, message, wParam, lParam);
  }
};

TEST(SubclassedControlTest, EachObjectSeesTheMessagesUntilItOrTheControlLetsGo) {
  TestWindow window("STATIC", 101, 0, 0, 50, 50);
  HWND control = window.Child();
  const LONG_PTR own = GetWindowLongPtrA(control, GWLP_WNDPROC);
  Recorder first, second;
  ASSERT_TRUE(first.Attach(control));
  ASSERT_TRUE(second.Attach(control));
  SendMessageA(control, WM_APP + 1, 0, 0);
  first.Detach();
  SendMessageA(control, WM_APP + 2, 0, 0);
  second.Detach();
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), own);
  ASSERT_TRUE(second.Attach(control));
  DestroyWindow(control);
  EXPECT_EQ(second.Window(), nullptr);
  EXPECT_EQ(first.seen, (std::vector<UINT>{WM_APP + 1}));
  EXPECT_EQ(second.seen, (std::vector<UINT>{WM_APP + 1, WM_APP + 2}));
}

}  // namespace
