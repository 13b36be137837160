#include "player/player_wnd_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/byte_sink.h"
#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "player/painted_win.h"
#include "player/player_files_win.h"
#include "player/player_ids.h"
#include "player/player_text.h"
#include "player/recording_bytes.h"
#include "player/timeline_geometry.h"
#include "support/dib_canvas_win.h"
#include "support/test_pictures.h"
#include "support/test_window_win.h"

namespace {

constexpr int kFrames = 10;
constexpr std::time_t kFirstStamp = 1700000000;

// Frame i (from 0) is one flat colour, its timestamp a minute after the previous one's.
uint32_t FrameColour(int i) {
  return Rgb(30 + 20 * i, 200 - 15 * i, 100);
}

// One JPEG picture of frame i's colour, without a timestamp.
std::vector<uint8_t> FlatJpeg(int i) {
  Picture picture = MakePicture(64, 48);
  const uint32_t rgb = FrameColour(i);
  for (size_t p = 0; p + 2 < picture.pixels.size(); p += 3) {
    picture.pixels[p] = rgb & 0xFF;
    picture.pixels[p + 1] = (rgb >> 8) & 0xFF;
    picture.pixels[p + 2] = (rgb >> 16) & 0xFF;
  }
  std::vector<uint8_t> jpeg;
  EXPECT_TRUE(EncodeJpeg(picture, 90, jpeg));
  return jpeg;
}

std::vector<uint8_t> FlatRecording(int frames) {
  MemorySink sink;
  for (int i = 0; i < frames; ++i) {
    const std::vector<uint8_t> jpeg = FlatJpeg(i);
    WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, kFirstStamp + 60 * i);
  }
  return sink.bytes;
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8) return false;
  return true;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

std::string WindowText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right, client.bottom};
}

// Whether the status line paints exactly as one of the same size and font
// that was given this text.
testing::AssertionResult StatusLineShows(HWND statusLine, const std::string& text) {
  const SIZE size = ClientSize(statusLine);
  if (size.cx <= 0 || size.cy <= 0) return testing::AssertionFailure() << "nothing is shown";
  TestWindow reference("STATIC", kStatusLine, 0, 0, size.cx, size.cy);
  SendMessageA(reference.Child(), WM_SETFONT, static_cast<WPARAM>(SendMessageA(statusLine, WM_GETFONT, 0, 0)), FALSE);
  StatusLineControl line;
  line.Attach(reference.Parent(), kStatusLine);
  SetWindowTextA(reference.Child(), text.c_str());
  const size_t differing = DifferingPixels(Painted(statusLine), Painted(reference.Child()));
  if (differing == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the status line does not show \"" << text << "\" (" << differing
                                     << " pixels differ)";
}

// Whether the picture area paints exactly as one of the same size showing
// no picture and this message.
testing::AssertionResult PictureShowsMessage(HWND picture, const char* message) {
  const SIZE size = ClientSize(picture);
  if (size.cx <= 0 || size.cy <= 0) return testing::AssertionFailure() << "nothing is shown";
  TestWindow reference("STATIC", kPictureArea, 0, 0, size.cx, size.cy);
  PictureControl shown;
  shown.Attach(reference.Parent(), kPictureArea);
  shown.SetMessage(message);
  const size_t differing = DifferingPixels(Painted(picture), Painted(reference.Child()));
  if (differing == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the picture does not show \"" << message << "\" alone (" << differing
                                     << " pixels differ)";
}

// The command ids of a popup menu in order, 0 for separators.
std::vector<int> MenuItems(HMENU menu) {
  std::vector<int> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) items.push_back(static_cast<int>(GetMenuItemID(menu, i)));
  return items;
}

// Runs a test body inside the player's own modal loop, from a thread timer,
// then closes the window unless the body did.
class PlayerSession {
 public:
  static INT_PTR Run(PlayerWnd& player, const std::wstring& commandLine, std::function<void()> body) {
    current_ = std::move(body);
    player_ = &player;
    timer_ = SetTimer(nullptr, 0, 1, &PlayerSession::Fire);
    const INT_PTR result = player.Run(commandLine);
    if (timer_) KillTimer(nullptr, timer_);
    timer_ = 0;
    ran_ = false;
    current_ = nullptr;
    return result;
  }

 private:
  static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, timer_);
    timer_ = 0;
    if (ran_) return;
    ran_ = true;
    HWND dialog = player_->Handle();
    current_();
    if (dialog && IsWindow(dialog) && IsWindowVisible(dialog)) SendMessageA(dialog, WM_CLOSE, 0, 0);
  }
  static inline std::function<void()> current_;
  static inline PlayerWnd* player_ = nullptr;
  static inline UINT_PTR timer_ = 0;
  static inline bool ran_ = false;
};

// A host whose save chooser can also act on the window while the edit
// holds it, as a user clicking during the copy would.
class ActingHost : public ScriptedHost {
 public:
  std::string AskSaveFile(std::string_view name, const char* filter, std::string_view extension) override {
    if (duringChooser) duringChooser();
    return ScriptedHost::AskSaveFile(name, filter, extension);
  }
  std::function<void()> duringChooser;
};

class PlayerWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recording = FlatRecording(kFrames);
    path = folder.At("cam one.mjpg");
    WriteWholeFile(path, recording);
    frames = SplitFrames(recording);
    ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  }

  INT_PTR Play(std::function<void()> body) {
    return PlayerSession::Run(
        player, L"Framedeck.exe \"" + Wide(path) + L"\" \"" + Wide(folder.At("second.mjpg")) + L"\"", [&, body] {
          window = player.Handle();
          PumpMessages();
          body();
        });
  }

  HWND Item(int id) const { return GetDlgItem(window, id); }
  void Command(int id) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  LRESULT AskTimeline(UINT message) const { return SendMessageA(Item(kTimeline), message, 0, 0); }

  // Playback as the user meets it: the button offers "Stop", the timeline is
  // locked and the menu holds the notice instead of the edits.
  void ExpectPlaying(bool playing) {
    EXPECT_EQ(WindowText(Item(kPlayButton)), playing ? "Stop" : "Play");
    EXPECT_EQ(IsWindowEnabled(Item(kTimeline)) != FALSE, !playing);
    HMENU menu = player.BuildContextMenu();
    EXPECT_EQ(GetMenuItemID(menu, 0) == static_cast<UINT>(kCannotEdit), playing);
    DestroyMenu(menu);
  }
  // The size preset ticked in the menu: 0 for none, -1 for more than one.
  int TickedPreset() const {
    HMENU menu = player.BuildContextMenu();
    int ticked = 0;
    for (int preset : {169, 170, 171})
      if (GetMenuState(menu, preset, MF_BYCOMMAND) & MF_CHECKED) ticked = ticked ? -1 : preset;
    DestroyMenu(menu);
    return ticked;
  }

  // The picture control as it paints, and the colour at its centre.
  uint32_t CentreColour() {
    HWND picture = Item(kPictureArea);
    const SIZE size = ClientSize(picture);
    DibCanvas canvas(size.cx, size.cy);
    SendMessageA(picture, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    return canvas.Pixel(size.cx / 2, size.cy / 2);
  }
  // The frame (from 0) that ends at the reader's position.
  int CurrentFrame() const {
    int64_t end = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      end += static_cast<int64_t>(frames[i].size());
      if (end == reader.Position()) return static_cast<int>(i);
    }
    return -1;
  }
  void ExpectShowing(int frame) {
    EXPECT_EQ(CurrentFrame(), frame);
    EXPECT_TRUE(Near(CentreColour(), FrameColour(frame))) << std::hex << CentreColour() << " for frame " << frame;
    EXPECT_EQ(SendMessageA(Item(kTimeline), TBM_GETPOS, 0, 0),
              static_cast<LRESULT>(TimelineValue(reader.PositionFraction(false), kTimelineRange)));
  }
  void StepArrow(bool right) {
    // A real click on one half of the horizontal arrows.
    HWND arrows = Item(kStepArrows);
    const SIZE size = ClientSize(arrows);
    const LPARAM at = MAKELPARAM(right ? size.cx * 3 / 4 : size.cx / 4, size.cy / 2);
    SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(arrows, WM_LBUTTONUP, 0, at);
  }

  TempFolder folder;
  ActingHost host;
  RecordingReader reader{host};
  PlayerWnd player{host, reader};
  HWND window = nullptr;
  std::vector<uint8_t> recording;
  std::vector<std::vector<uint8_t>> frames;
  std::string path;
};

TEST_F(PlayerWndTest, OpensTheRecordingOfTheCommandLineAtItsFirstFrame) {
  // The second argument names a recording too, and is ignored.
  WriteWholeFile(folder.At("second.mjpg"), FlatRecording(3));
  const INT_PTR result = Play([&] {
    EXPECT_EQ(WindowText(window), "Framedeck - cam one.mjpg");
    EXPECT_EQ(reader.FileSize(), static_cast<int64_t>(recording.size()));
    EXPECT_TRUE(host.errors.empty());
    ExpectShowing(0);
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), "FileSize: " + FormatSize(static_cast<double>(recording.size())) +
                                                       "   FrameDate: " + *FormatFrameDate(kFirstStamp)));
    EXPECT_EQ(WindowText(Item(kPlayButton)), "Play");
    EXPECT_EQ(WindowText(Item(kDelayField)), "100");
    EXPECT_EQ(WindowText(Item(kDelayLabel)), "Delay ms:");
    // Icon 50 in both sizes (shared icons load as the same handle).
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const HANDLE big = LoadImageA(instance, MAKEINTRESOURCEA(kPlayerIcon), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                  GetSystemMetrics(SM_CYICON), LR_SHARED);
    const HANDLE small = LoadImageA(instance, MAKEINTRESOURCEA(kPlayerIcon), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(reinterpret_cast<HANDLE>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), big);
    EXPECT_EQ(reinterpret_cast<HANDLE>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)), small);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(IsWindowVisible(window));
  });
  EXPECT_EQ(result, 0);
}

TEST_F(PlayerWndTest, WithoutARecordingNothingIsOpenAndTheTitleIsPlain) {
  PlayerSession::Run(player, L"Framedeck.exe", [&] {
    window = player.Handle();
    EXPECT_EQ(WindowText(window), "Framedeck");
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), "Ready..."));
    // The timeline and a right click do nothing without a recording.
    SendMessageA(window, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(Item(kTimeline)));
    const std::vector<uint32_t> picture = Painted(Item(kPictureArea));
    EXPECT_EQ(std::count(picture.begin(), picture.end(), Rgb(128, 128, 128)), std::ssize(picture)) << "all grey";
  });
}

TEST_F(PlayerWndTest, ReportsAFrameThatDoesNotDecode) {
  WriteWholeFile(path, EqualFrames(4, 300));
  Play([&] {
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_TRUE(PictureShowsMessage(Item(kPictureArea), "Could not load a valid mjpg frame"));
    // The status line keeps its text for a frame that was not shown.
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), "Ready..."));
  });
}

TEST_F(PlayerWndTest, AFrameWithoutATimestampKeepsTheLastDate) {
  const std::vector<uint8_t> bare = FlatJpeg(1);
  ASSERT_FALSE(ReadTimestamp(bare.data(), bare.size()));
  recording = FlatRecording(1);
  recording.insert(recording.end(), bare.begin(), bare.end());
  WriteWholeFile(path, recording);
  frames = SplitFrames(recording);
  Play([&] {
    const std::string first = StatusText(static_cast<int64_t>(recording.size()), *FormatFrameDate(kFirstStamp));
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), first));
    StepArrow(true);
    ExpectShowing(1);
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), first));
  });
}

TEST_F(PlayerWndTest, ArrowsStepOneFrameEachWay) {
  Play([&] {
    StepArrow(true);
    ExpectShowing(1);
    StepArrow(true);
    ExpectShowing(2);
    StepArrow(false);
    ExpectShowing(1);
    EXPECT_TRUE(StatusLineShows(
        Item(kStatusLine), StatusText(static_cast<int64_t>(recording.size()), *FormatFrameDate(kFirstStamp + 60))));

    // Larger proposed changes step as many frames.
    NMUPDOWN change{};
    change.hdr.hwndFrom = Item(kStepArrows);
    change.hdr.idFrom = kStepArrows;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = -4;
    SendMessageA(window, WM_NOTIFY, kStepArrows, reinterpret_cast<LPARAM>(&change));
    ExpectShowing(5);
    change.iDelta = 3;
    SendMessageA(window, WM_NOTIFY, kStepArrows, reinterpret_cast<LPARAM>(&change));
    ExpectShowing(2);
    change.iDelta = 0;
    SendMessageA(window, WM_NOTIFY, kStepArrows, reinterpret_cast<LPARAM>(&change));
    ExpectShowing(2);

    // Back past the first frame stays on it.
    for (int i = 0; i < 4; ++i) StepArrow(false);
    ExpectShowing(0);
  });
}

TEST_F(PlayerWndTest, FirstLastAndTheTimelineSeek) {
  Play([&] {
    SendMessageA(Item(kLastButton), BM_CLICK, 0, 0);
    ExpectShowing(kFrames - 1);
    SendMessageA(Item(kFirstButton), BM_CLICK, 0, 0);
    ExpectShowing(0);

    // Released at the middle: the last frame ending before half the file
    // plus half the current frame.
    HWND timeline = Item(kTimeline);
    const SIZE size = ClientSize(timeline);
    SendMessageA(timeline, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(size.cx / 2, 2));
    SendMessageA(timeline, WM_LBUTTONUP, 0, MAKELPARAM(size.cx / 2, 2));
    const double fraction =
        static_cast<double>(TimelineClickPosition(size.cx / 2, size.cx, kTimelineRange)) / kTimelineRange;
    const int64_t target = static_cast<int64_t>(fraction * static_cast<double>(recording.size())) +
                           static_cast<int64_t>(frames[0].size()) / 2;
    int expected = -1;
    int64_t end = 0;
    for (int i = 0; i < kFrames; ++i) {
      end += static_cast<int64_t>(frames[i].size());
      if (end <= target) expected = i;
    }
    ASSERT_GT(expected, 2);
    ASSERT_LT(expected, kFrames - 2);
    ExpectShowing(expected);
  });
}

TEST_F(PlayerWndTest, PlaysWithTheTimerAndStopsAtTheEnd) {
  Play([&] {
    // A delay no test waits for: only the timer messages sent here move on.
    SetDlgItemTextA(window, kDelayField, "60000");
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    ExpectPlaying(true);
    PumpMessages();
    ExpectShowing(0);
    SendMessageA(window, WM_TIMER, kPlayTimer, 0);
    SendMessageA(window, WM_TIMER, kPlayTimer, 0);
    ExpectShowing(2);
    // Another timer of the window is not the play timer.
    SendMessageA(window, WM_TIMER, kPlayTimer + 1, 0);
    ExpectShowing(2);

    // Stepping stops playback first.
    StepArrow(true);
    ExpectPlaying(false);
    ExpectShowing(3);
    SendMessageA(window, WM_TIMER, kPlayTimer, 0);  // the play timer no longer moves on
    ExpectShowing(3);

    // A delay of 0 is used as it reads: the real timer runs to the end.
    SetDlgItemTextA(window, kDelayField, "0");
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    const DWORD start = GetTickCount();
    while (WindowText(Item(kPlayButton)) == "Stop" && GetTickCount() - start < 10000) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      PumpMessages();
    }
    ExpectPlaying(false);
    ExpectShowing(kFrames - 1);
    EXPECT_EQ(reader.Position(), reader.FileSize());

    // Play on the last frame stops at the first tick.
    SetDlgItemTextA(window, kDelayField, "60000");
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    ExpectPlaying(true);
    SendMessageA(window, WM_TIMER, kPlayTimer, 0);
    ExpectPlaying(false);

    // Play twice stops.
    SendMessageA(Item(kFirstButton), BM_CLICK, 0, 0);
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    ExpectPlaying(false);
    ExpectShowing(0);
    SendMessageA(window, WM_TIMER, kPlayTimer, 0);  // one already queued is harmless
    ExpectShowing(0);
  });
}

TEST_F(PlayerWndTest, TheMenuOffersTheSelectionItemsOnlyWithASelection) {
  Play([&] {
    const std::vector<int> noSelection{
        kSetSelectionStart, kSetSelectionEnd, kClearSelection, 0, kSaveFrame, 0, 169, 170, 171};
    HMENU menu = player.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuItems(menu), noSelection);
    EXPECT_EQ(GetMenuState(menu, 169, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(menu, 170, MF_BYCOMMAND) & MF_CHECKED, 0u);
    char text[128];
    GetMenuStringA(menu, kSaveFrame, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Save this frame as Jpeg");
    DestroyMenu(menu);

    // Select frames 2 to 4 (from 0) with the menu commands.
    StepArrow(true);
    StepArrow(true);
    Command(kSetSelectionStart);
    EXPECT_EQ(reader.SelectionStart(), static_cast<int64_t>(frames[0].size() + frames[1].size()));
    EXPECT_EQ(AskTimeline(TBM_GETSELSTART),
              static_cast<LRESULT>(TimelineValue(reader.PositionFraction(true), kTimelineRange)));
    EXPECT_EQ(AskTimeline(TBM_GETSELEND), static_cast<LRESULT>(kNoMark));
    StepArrow(true);
    StepArrow(true);
    Command(kSetSelectionEnd);
    EXPECT_TRUE(reader.HasSelection());
    EXPECT_EQ(AskTimeline(TBM_GETSELEND),
              static_cast<LRESULT>(TimelineValue(reader.PositionFraction(false), kTimelineRange)));
    EXPECT_GT(AskTimeline(TBM_GETSELEND), AskTimeline(TBM_GETSELSTART));
    menu = player.BuildContextMenu();
    EXPECT_EQ(MenuItems(menu), (std::vector<int>{kSetSelectionStart, kSetSelectionEnd, kClearSelection, 0,
                                                 kExtractSelection, kDeleteSelection, kInsertAtStart, kInsertAtEnd,
                                                 kExportAvi, kSaveFrame, 0, 169, 170, 171}));
    GetMenuStringA(menu, kInsertAtStart, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Insert Mjpg Video at Begining of Selection and Save New Video");
    DestroyMenu(menu);

    // While playing there is only the notice and the sizes.
    SetDlgItemTextA(window, kDelayField, "60000");
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);
    menu = player.BuildContextMenu();
    EXPECT_EQ(MenuItems(menu), (std::vector<int>{kCannotEdit, 0, 169, 170, 171}));
    GetMenuStringA(menu, kCannotEdit, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Can't Edit while Playing Video");
    DestroyMenu(menu);
    Command(kCannotEdit);
    ExpectPlaying(true);
    SendMessageA(Item(kPlayButton), BM_CLICK, 0, 0);

    Command(kClearSelection);
    EXPECT_FALSE(reader.HasSelection());
    EXPECT_EQ(AskTimeline(TBM_GETSELSTART), static_cast<LRESULT>(kNoMark));
    EXPECT_EQ(AskTimeline(TBM_GETSELEND), static_cast<LRESULT>(kNoMark));
    menu = player.BuildContextMenu();
    EXPECT_EQ(MenuItems(menu), noSelection);
    DestroyMenu(menu);
  });
}

// While the real popup menu is up: its items, then close it.
std::vector<int> shownItems;
void CALLBACK InspectMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND popup = FindWindowA("#32768", nullptr);
  if (popup) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    if (menu) shownItems = MenuItems(menu);
  }
  EndMenu();
}

TEST_F(PlayerWndTest, ARightClickOnThePictureShowsTheMenu) {
  Play([&] {
    shownItems.clear();
    SetTimer(nullptr, 0, 50, &InspectMenu);
    HWND picture = Item(kPictureArea);
    RECT area{};
    GetWindowRect(picture, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2));
    EXPECT_EQ(shownItems, (std::vector<int>{kSetSelectionStart, kSetSelectionEnd, kClearSelection, 0, kSaveFrame, 0,
                                            169, 170, 171}));

    // Below the picture (over the buttons' row) there is no menu.
    shownItems.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &InspectMenu);
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(area.left + 5, area.bottom + 40));
    EXPECT_TRUE(shownItems.empty());
    KillTimer(nullptr, timer);
  });
}

TEST_F(PlayerWndTest, SizePresetsSetThePictureAreaAndTheControlsFollow) {
  Play([&] {
    HWND picture = Item(kPictureArea);
    SIZE size = ClientSize(picture);
    EXPECT_EQ(size.cx, 400);
    EXPECT_EQ(size.cy, 300);
    EXPECT_EQ(TickedPreset(), 169);
    RECT load{}, before{};
    GetWindowRect(Item(kLoadButton), &before);
    RECT windowBefore{};
    GetWindowRect(window, &windowBefore);

    Command(170);
    size = ClientSize(picture);
    EXPECT_EQ(size.cx, 640);
    EXPECT_EQ(size.cy, 480);
    EXPECT_EQ(TickedPreset(), 170);
    RECT windowAfter{};
    GetWindowRect(window, &windowAfter);
    EXPECT_EQ(windowAfter.left, windowBefore.left);  // the top-left corner stays
    EXPECT_EQ(windowAfter.top, windowBefore.top);
    EXPECT_EQ(windowAfter.right - windowAfter.left, windowBefore.right - windowBefore.left + 240);
    GetWindowRect(Item(kLoadButton), &load);
    EXPECT_EQ(load.left, before.left);      // the buttons keep to the left
    EXPECT_EQ(load.top, before.top + 180);  // and follow the bottom edge
    EXPECT_EQ(ClientSize(Item(kTimeline)).cx, 640);
    EXPECT_TRUE(Near(CentreColour(), FrameColour(0)));

    // Double clicks cycle 170 -> 171 -> 169.
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(TickedPreset(), 171);
    EXPECT_EQ(ClientSize(picture).cx, 800);
    EXPECT_EQ(ClientSize(picture).cy, 600);
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(TickedPreset(), 169);
    EXPECT_EQ(ClientSize(picture).cx, 400);
    GetWindowRect(Item(kLoadButton), &load);
    EXPECT_EQ(load.top, before.top);

    // A resize by hand takes the tick away; a move alone keeps it.
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(window, nullptr, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(TickedPreset(), 169);
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    GetWindowRect(window, &windowAfter);
    SetWindowPos(window, nullptr, 0, 0, windowAfter.right - windowAfter.left + 37,
                 windowAfter.bottom - windowAfter.top + 11, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(TickedPreset(), 0);
    EXPECT_EQ(ClientSize(picture).cx, 437);
    EXPECT_EQ(ClientSize(picture).cy, 311);
    HMENU menu = player.BuildContextMenu();
    for (int preset : {169, 170, 171}) EXPECT_EQ(GetMenuState(menu, preset, MF_BYCOMMAND) & MF_CHECKED, 0u);
    DestroyMenu(menu);
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(TickedPreset(), 169);
    EXPECT_EQ(ClientSize(picture).cx, 400);

    // Dragging below the size at creation is refused.
    RECT proposed{0, 0, 50, 40};
    SendMessageA(window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_GT(proposed.right, 200);
    EXPECT_GT(proposed.bottom, 200);
  });
}

TEST_F(PlayerWndTest, EnterAndEscapeDoNotCloseTheWindow) {
  Play([&] {
    Command(IDOK);
    Command(IDCANCEL);
    SetFocus(Item(kDelayField));
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      PostMessageA(Item(kDelayField), WM_KEYDOWN, key, 0);
      PostMessageA(Item(kDelayField), WM_KEYUP, key, 0xC0000001);
    }
    // Keys go through the dialog's own loop, which turns them into commands.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageA(window, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(reader.GetOpState(), kIdle);
  });
}

TEST_F(PlayerWndTest, ClosingDuringAnEditStopsItAndEndsTheProgram) {
  const std::string output = folder.At("out.mjpg");
  bool lockedDuringEdit = false;
  const INT_PTR result = Play([&] {
    Command(kSetSelectionStart);
    SendMessageA(Item(kLastButton), BM_CLICK, 0, 0);
    Command(kSetSelectionEnd);
    host.saveAnswers.push_back(output);
    host.duringChooser = [&] {
      lockedDuringEdit = WindowText(Item(kPlayButton)) == "Abort" && !IsWindowEnabled(Item(kLoadButton)) &&
                         !IsWindowEnabled(Item(kTimeline)) && !IsWindowEnabled(Item(kStepArrows)) &&
                         !IsWindowEnabled(Item(kDelayField)) && IsWindowEnabled(Item(kPlayButton));
      PostMessageA(window, WM_CLOSE, 0, 0);
    };
    Command(kExtractSelection);
    EXPECT_FALSE(IsWindowVisible(window));  // the dialog has ended
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), "Finished writing output file!"));
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(lockedDuringEdit);
  EXPECT_TRUE(FileExists(output));
  EXPECT_EQ(ReadWholeFile(output).size(), 0u);  // stopped before the first block
  EXPECT_EQ(reader.GetOpState(), kIdle);
}

TEST_F(PlayerWndTest, ThePlayButtonAbortsAnEditAndTheControlsComeBack) {
  const std::string output = folder.At("out.mjpg");
  // Larger than one copy block, so an abort shows.
  recording = FlatRecording(60);
  WriteWholeFile(path, recording);
  frames = SplitFrames(recording);
  Play([&] {
    Command(kSetSelectionStart);
    SendMessageA(Item(kLastButton), BM_CLICK, 0, 0);
    Command(kSetSelectionEnd);
    ASSERT_GT(reader.SelectionEnd() - reader.SelectionStart(), 3 * 4096);
    host.saveAnswers.push_back(output);
    // "<<" during the copy leaves the locked controls alone.
    host.duringChooser = [&] {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(kFirstButton, BN_CLICKED), 0);
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(kPlayButton, BN_CLICKED), 0);
    };
    const int64_t position = reader.Position();
    Command(kExtractSelection);
    const size_t written = ReadWholeFile(output).size();
    EXPECT_LT(written, static_cast<size_t>(reader.SelectionEnd() - reader.SelectionStart()));
    EXPECT_TRUE(StatusLineShows(Item(kStatusLine), "Finished writing output file!"));
    EXPECT_EQ(reader.Position(), position);
    EXPECT_EQ(reader.GetOpState(), kIdle);
    EXPECT_EQ(WindowText(Item(kPlayButton)), "Play");
    for (int id : {kTimeline, kLoadButton, kStepArrows, kDelayField}) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;

    // Without interference the same edit writes the whole selection.
    host.duringChooser = nullptr;
    host.saveAnswers.push_back(output);
    Command(kExtractSelection);
    EXPECT_EQ(ReadWholeFile(output), std::vector<uint8_t>(recording.begin() + reader.SelectionStart(),
                                                          recording.begin() + reader.SelectionEnd()));
    ExpectShowing(59);
  });
}

TEST_F(PlayerWndTest, LoadOpensAnotherRecordingFromTheStart) {
  const std::string other = folder.At("other.mjpg");
  WriteWholeFile(other, FlatRecording(3));
  Play([&] {
    StepArrow(true);
    Command(kSetSelectionStart);
    StepArrow(true);
    Command(kSetSelectionEnd);
    host.openAnswers.push_back(other);
    SendMessageA(Item(kLoadButton), BM_CLICK, 0, 0);
    EXPECT_EQ(WindowText(window), "Framedeck - other.mjpg");
    EXPECT_FALSE(reader.HasSelection());
    EXPECT_EQ(AskTimeline(TBM_GETSELSTART), static_cast<LRESULT>(kNoMark));
    EXPECT_EQ(AskTimeline(TBM_GETSELEND), static_cast<LRESULT>(kNoMark));
    EXPECT_EQ(reader.Position(), static_cast<int64_t>(SplitFrames(ReadWholeFile(other))[0].size()));
    EXPECT_EQ(SendMessageA(Item(kTimeline), TBM_GETPOS, 0, 0),
              static_cast<LRESULT>(TimelineValue(reader.PositionFraction(false), kTimelineRange)));
    EXPECT_TRUE(Near(CentreColour(), FrameColour(0)));
    // A cancelled chooser keeps what is open.
    SendMessageA(Item(kLoadButton), BM_CLICK, 0, 0);
    EXPECT_EQ(WindowText(window), "Framedeck - other.mjpg");
    EXPECT_EQ(reader.FileSize(), static_cast<int64_t>(ReadWholeFile(other).size()));
    SendMessageA(Item(kLastButton), BM_CLICK, 0, 0);
    EXPECT_TRUE(Near(CentreColour(), FrameColour(2)));  // the last of its three frames
  });
}

// Full-frame uncompressed output, chosen without the dialog.
class DibPlatform : public AviPlatform {
 public:
  Choice ChooseCompressor(HWND, BITMAPINFOHEADER&, COMPVARS& vars) override {
    if (duringChoice) duringChoice();
    vars.fccHandler = comptypeDIB;
    return Choice::Chosen;
  }
  std::function<void()> duringChoice;
  void FreeCompressor(COMPVARS&) override {}
  void ReportError(HWND, const char* text) override { reports.emplace_back(text); }
  std::vector<std::string> reports;
};

// dwRate of the first stream header.
uint32_t AviRate(const std::vector<uint8_t>& avi) {
  const char tag[] = "strh";
  for (size_t i = 0; i + 40 < avi.size(); ++i)
    if (std::memcmp(avi.data() + i, tag, 4) == 0) {
      uint32_t rate;
      std::memcpy(&rate, avi.data() + i + 8 + 24, 4);
      return rate;
    }
  return 0;
}

// dwTotalFrames of the main AVI header.
uint32_t AviFrames(const std::vector<uint8_t>& avi) {
  for (size_t i = 0; i + 32 < avi.size(); ++i)
    if (std::memcmp(avi.data() + i, "avih", 4) == 0) {
      uint32_t frames;
      std::memcpy(&frames, avi.data() + i + 8 + 16, 4);
      return frames;
    }
  return 0;
}

TEST(PlayerExportTest, ClosingDuringAnExportStopsItAndEndsTheProgram) {
  TempFolder folder;
  const std::string path = folder.At("cam.mjpg");
  WriteWholeFile(path, FlatRecording(8));
  ScriptedHost host;
  RecordingReader reader{host};
  DibPlatform avi;
  PlayerWnd player{host, reader, avi};
  const std::string output = folder.At("closed.avi");
  const INT_PTR result = PlayerSession::Run(player, L"Framedeck.exe " + Wide(path), [&] {
    HWND window = player.Handle();
    SendMessageA(window, WM_COMMAND, kSetSelectionStart, 0);
    SendMessageA(GetDlgItem(window, kLastButton), BM_CLICK, 0, 0);
    SendMessageA(window, WM_COMMAND, kSetSelectionEnd, 0);
    host.saveAnswers.push_back(output);
    avi.duringChoice = [window] { PostMessageA(window, WM_CLOSE, 0, 0); };
    SendMessageA(window, WM_COMMAND, kExportAvi, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(StatusLineShows(GetDlgItem(window, kStatusLine), "Exporting video Finished!"));
  });
  EXPECT_EQ(result, 0);
  // The frame in hand when the close came is written, no further one.
  EXPECT_EQ(AviFrames(ReadWholeFile(output)), 1u);
  EXPECT_EQ(reader.GetOpState(), kIdle);
}

TEST(PlayerExportTest, ExportsAtTheRateOfTheDelayField) {
  TempFolder folder;
  const std::string path = folder.At("cam.mjpg");
  WriteWholeFile(path, FlatRecording(6));
  ScriptedHost host;
  RecordingReader reader{host};
  DibPlatform avi;
  PlayerWnd player{host, reader, avi};
  PlayerSession::Run(player, L"Framedeck.exe " + Wide(path), [&] {
    HWND window = player.Handle();
    SendMessageA(window, WM_COMMAND, kSetSelectionStart, 0);
    SendMessageA(GetDlgItem(window, kLastButton), BM_CLICK, 0, 0);
    SendMessageA(window, WM_COMMAND, kSetSelectionEnd, 0);
    const int64_t position = reader.Position();
    for (const auto& [delay, rate] : std::vector<std::pair<const char*, uint32_t>>{{"40", 25}, {"0", 30}}) {
      const std::string output = folder.At(std::string("delay_") + delay + ".avi");
      SetDlgItemTextA(window, kDelayField, delay);
      host.saveAnswers.push_back(output);
      SendMessageA(window, WM_COMMAND, kExportAvi, 0);
      EXPECT_EQ(AviRate(ReadWholeFile(output)), rate) << delay;
      EXPECT_EQ(AviFrames(ReadWholeFile(output)), 6u) << delay;
      EXPECT_TRUE(StatusLineShows(GetDlgItem(window, kStatusLine), "Exporting video Finished!"));
      EXPECT_EQ(reader.Position(), position);
    }
    EXPECT_TRUE(avi.reports.empty());
  });
}

}  // namespace
