#include "shell/layout_dlg_win.h"

#include <gtest/gtest.h>

#include "shell_fixture_win.h"

namespace {

std::string Text(HWND dialog, int id) {
  char text[300] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

class LayoutDlgTest : public ::testing::Test {
 protected:
  // Types the three fields and presses a button; returns the dialog's result.
  INT_PTR Enter(const char* columns, const char* rows, const char* aspect, int button = kLayoutOk) {
    LayoutDlg dialog(layout_, capture_.Services().messageBox);
    DialogScript script({[&] {
      HWND hwnd = dialog.Handle();
      if (!hwnd) return false;
      SetDlgItemTextA(hwnd, kLayoutColumns, columns);
      SetDlgItemTextA(hwnd, kLayoutRows, rows);
      SetDlgItemTextA(hwnd, kLayoutAspect, aspect);
      const size_t boxes = capture_.boxes.size();
      SendMessageA(hwnd, WM_COMMAND, button, 0);
      // A refused input leaves the dialog open: cancel it to end the run.
      if (capture_.boxes.size() == boxes) return true;
      EXPECT_TRUE(IsWindow(hwnd));  // still open
      SendMessageA(hwnd, WM_COMMAND, kLayoutCancel, 0);
      return true;
    }});
    return dialog.Run(nullptr, kLayoutTemplate);
  }

  GridLayout layout_ = DefaultGridLayout();
  ShellCapture capture_;
};

TEST_F(LayoutDlgTest, ShowsTheLayoutAndTheCameraCount) {
  layout_.columns = 2;
  layout_.rows = 5;
  layout_.aspectRatio = 0.5625;
  LayoutDlg dialog(layout_, capture_.Services().messageBox);
  std::string columns, rows, aspect, count, caption;
  DialogScript script({[&] {
    HWND hwnd = dialog.Handle();
    if (!hwnd) return false;
    columns = Text(hwnd, kLayoutColumns);
    rows = Text(hwnd, kLayoutRows);
    aspect = Text(hwnd, kLayoutAspect);
    count = Text(hwnd, kLayoutCount);
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    caption = title;
    // The count line stays as it was while the user types.
    SetDlgItemTextA(hwnd, kLayoutColumns, "9");
    EXPECT_EQ(Text(hwnd, kLayoutCount), "Current Number of Cameras: 10");
    SendMessageA(hwnd, WM_COMMAND, kLayoutCancel, 0);
    return true;
  }});
  EXPECT_EQ(dialog.Run(nullptr, kLayoutTemplate), 2);
  EXPECT_EQ(caption, "Layout Setup");
  EXPECT_EQ(columns, "2");
  EXPECT_EQ(rows, "5");
  EXPECT_EQ(aspect, "0.56");
  EXPECT_EQ(count, "Current Number of Cameras: 10");
  EXPECT_EQ(layout_.columns, 2);
}

TEST_F(LayoutDlgTest, RefusedInputShowsWhyAndKeepsTheLayout) {
  const struct {
    const char *columns, *rows, *aspect, *message;
  } cases[] = {
      {"abc", "3", "0.75", "Row or Column value cannot be less than 1"},
      {"4", "0", "0.75", "Row or Column value cannot be less than 1"},
      {"11", "3", "0.75", "Row or Column value should not be greater than 10"},
      {"4", "12", "0.75", "Row or Column value should not be greater than 10"},
      {"4", "3", "0.09", "Aspect ratio must be between 0.1 and 2.0"},
      {"4", "3", "2.001", "Aspect ratio must be between 0.1 and 2.0"},
  };
  for (const auto& c : cases) {
    capture_.boxes.clear();
    EXPECT_EQ(Enter(c.columns, c.rows, c.aspect), 2) << c.message;
    ASSERT_EQ(capture_.boxes.size(), 1u) << c.columns << " " << c.rows << " " << c.aspect;
    EXPECT_EQ(capture_.boxes[0].text, c.message);
    EXPECT_EQ(capture_.boxes[0].title, "Error");
    EXPECT_EQ(capture_.boxes[0].flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_TOPMOST));
    EXPECT_NE(capture_.boxes[0].owner, nullptr);  // owned by the dialog
  }
  EXPECT_EQ(layout_.columns, 4);
  EXPECT_EQ(layout_.rows, 3);
  EXPECT_EQ(layout_.aspectRatio, 0.75);
}

TEST_F(LayoutDlgTest, BoundsAreAcceptedByTheOkButtonOnly) {
  EXPECT_EQ(Enter("1", "10", "0.1"), 1);
  EXPECT_EQ(layout_.columns, 1);
  EXPECT_EQ(layout_.rows, 10);
  EXPECT_EQ(layout_.aspectRatio, 0.1);
  EXPECT_EQ(Enter("10", "1", "2.0"), 1);
  EXPECT_EQ(layout_.columns, 10);
  EXPECT_EQ(layout_.aspectRatio, 2.0);
  EXPECT_TRUE(capture_.boxes.empty());

  // Enter (IDOK) and Esc (IDCANCEL) cancel, valid input or not.
  EXPECT_EQ(Enter("3", "3", "1.0", IDOK), 2);
  EXPECT_EQ(Enter("3", "3", "1.0", IDCANCEL), 2);
  EXPECT_EQ(layout_.columns, 10);
  EXPECT_EQ(layout_.rows, 1);
}

}  // namespace
