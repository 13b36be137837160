#include "shell/setup_choosers_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "support/test_window_win.h"

namespace {

// Answers the system chooser from inside its own loop: a thread timer finds
// the dialog owned by the test window and hands it to `answer`.
class ChooserAnswer {
 public:
  ChooserAnswer(HWND owner, std::function<void(HWND)> answer) : owner_(owner), answer_(std::move(answer)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &ChooserAnswer::Tick);
  }
  ~ChooserAnswer() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Answered() const { return answered_; }

 private:
  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == current_->owner_) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!current_ || current_->answered_) return;
    HWND chooser = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &ChooserAnswer::Find, reinterpret_cast<LPARAM>(&chooser));
    if (++current_->ticks_ > 500) {
      ADD_FAILURE() << "no chooser came up";
      current_->answered_ = true;
      return;
    }
    if (!chooser) return;
    current_->answered_ = true;
    current_->answer_(chooser);
  }

  static inline ChooserAnswer* current_ = nullptr;
  HWND owner_;
  std::function<void(HWND)> answer_;
  UINT_PTR timer_ = 0;
  int ticks_ = 0;
  bool answered_ = false;
};

constexpr int kAddCustomColour = 712;  // the colour chooser's "Add to Custom Colors"

class ChooserTest : public ::testing::Test {
 protected:
  TestWindow owner_{"Static", 1, WS_CHILD | WS_VISIBLE, 0, 40, 40};
};

TEST_F(ChooserTest, ColourChooserStartsAtTheFieldAndSharesTheCustomColours) {
  std::memset(SharedCustomColours(), 0, 16 * sizeof(COLORREF));
  uint32_t colour = 0x00336699;
  {
    ChooserAnswer answer(owner_.Parent(), [](HWND chooser) {
      SendMessageA(chooser, WM_COMMAND, kAddCustomColour,
                   reinterpret_cast<LPARAM>(GetDlgItem(chooser, kAddCustomColour)));
      SendMessageA(chooser, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
    });
    EXPECT_TRUE(PickColor(owner_.Parent(), colour));
    EXPECT_TRUE(answer.Answered());
  }
  EXPECT_EQ(colour, 0x00336699u);
  EXPECT_EQ(SharedCustomColours()[0], 0x00336699u) << "the next chooser offers it";
}

TEST_F(ChooserTest, CancelledChoosersLeaveTheFields) {
  uint32_t colour = 0x00010203;
  {
    ChooserAnswer answer(owner_.Parent(), [](HWND chooser) { SendMessageA(chooser, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(PickColor(owner_.Parent(), colour));
  }
  EXPECT_EQ(colour, 0x00010203u);

  FontRecord font = DefaultFont();
  const FontRecord before = font;
  uint32_t textColour = 0x00ABCDEF;
  {
    ChooserAnswer answer(owner_.Parent(), [](HWND chooser) { SendMessageA(chooser, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(PickFont(owner_.Parent(), font, textColour));
  }
  EXPECT_EQ(std::memcmp(&font, &before, sizeof font), 0);
  EXPECT_EQ(textColour, 0x00ABCDEFu);
}

constexpr int kFaceList = 0x470;  // the font chooser's face name list

int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM faces) {
  if (font->lfFaceName[0] != '@') reinterpret_cast<std::vector<std::string>*>(faces)->push_back(font->lfFaceName);
  return 1;
}

std::string ComboText(HWND list, int index) {
  char text[LF_FACESIZE + 1] = {};
  if (SendMessageA(list, CB_GETLBTEXTLEN, index, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(ChooserTest, FontChooserStartsFromTheFieldAndGivesTheChoiceBack) {
  std::vector<std::string> faces;
  HDC screen = GetDC(nullptr);
  LOGFONTA all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(screen, &all, &CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
  ReleaseDC(nullptr, screen);
  ASSERT_GE(faces.size(), 3u);

  FontRecord font = DefaultFont();
  CopyText(font.faceName, faces[faces.size() / 2]);
  uint32_t textColour = 0x000000FF;  // red, one of the chooser's colours
  std::string shownFirst, chosen;
  {
    ChooserAnswer answer(owner_.Parent(), [&](HWND chooser) {
      HWND list = GetDlgItem(chooser, kFaceList);
      const int shown = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
      shownFirst = ComboText(list, shown);
      const int other = shown == 0 ? 1 : 0;
      chosen = ComboText(list, other);
      SendMessageA(list, CB_SETCURSEL, other, 0);
      SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(kFaceList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      SendMessageA(chooser, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
    });
    EXPECT_TRUE(PickFont(owner_.Parent(), font, textColour));
    EXPECT_TRUE(answer.Answered());
  }
  EXPECT_EQ(shownFirst, faces[faces.size() / 2]) << "the chooser opened on the field's font";
  ASSERT_FALSE(chosen.empty());
  EXPECT_EQ(std::string(font.faceName), chosen);
  EXPECT_EQ(textColour, 0x000000FFu);
}

}  // namespace
