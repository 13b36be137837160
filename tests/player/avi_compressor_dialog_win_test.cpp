// The platform's compressor dialog itself, driven from a helper thread as
// a user would: find it, pick the uncompressed entry, press OK or Cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "player/avi_export_win.h"
#include "player/player_files_win.h"
#include "support/test_pictures.h"

namespace {

// The real dialog; only the report box is recorded instead of shown.
class RealDialogPlatform : public SystemAviPlatform {
 public:
  void ReportError(HWND, const char* text) override { reports.emplace_back(text); }
  std::vector<std::string> reports;
};

struct Search {
  HWND dialog = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    reinterpret_cast<Search*>(context)->dialog = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindCombo(HWND window, LPARAM context) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (_stricmp(name, "ComboBox") == 0) {
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
  }
  return TRUE;
}

// Waits for the dialog on the given thread, chooses the entry whose text
// holds "ncompressed" and presses the button.
class DialogDriver {
 public:
  DialogDriver(DWORD thread, int button) : worker_([this, thread, button] { Run(thread, button); }) {}
  ~DialogDriver() { Join(); }
  void Join() {
    if (worker_.joinable()) worker_.join();
  }
  bool found = false;
  std::string chosen;

 private:
  void Run(DWORD thread, int button) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      Search search;
      EnumThreadWindows(thread, FindDialog, reinterpret_cast<LPARAM>(&search));
      if (search.dialog) {
        found = true;
        HWND combo = nullptr;
        EnumChildWindows(search.dialog, FindCombo, reinterpret_cast<LPARAM>(&combo));
        if (combo && button == IDOK) {
          const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
          for (LRESULT i = 0; i < count; ++i) {
            char text[256] = "";
            if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof text)) continue;
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            if (std::strstr(text, "ncompressed")) {
              SendMessageA(combo, CB_SETCURSEL, i, 0);
              SendMessageA(search.dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo));
              chosen = text;
              break;
            }
          }
        }
        PostMessageA(search.dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return;
      }
      Sleep(50);
    }
  }
  std::thread worker_;
};

std::vector<uint8_t> Recording(int frames) {
  MemorySink sink;
  for (int i = 0; i < frames; ++i) {
    Picture picture = SmoothPicture(48, 32);
    std::vector<uint8_t> jpeg;
    EncodeJpeg(picture, 80, jpeg);
    WriteEncodedFrame(jpeg.data(), jpeg.size(), sink, 1700000000);
  }
  return sink.bytes;
}

class CompressorDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string recordingPath = folder.At("cam.mjpg");
    WriteWholeFile(recordingPath, Recording(5));
    ASSERT_TRUE(reader.Open(recordingPath));
    reader.ReadNext();
    reader.SetSelectionStart();
    for (int i = 0; i < 4; ++i) reader.ReadNext();
    reader.SetSelectionEnd();
    reader.SeekFraction(0.0);
  }
  TempFolder folder;
  ScriptedHost host;
  RecordingReader reader{host};
  ProgressWindow progress;
  RealDialogPlatform platform;
};

TEST_F(CompressorDialogTest, ChoosingUncompressedInTheDialogWritesTheVideo) {
  const std::string path = folder.At("dialog.avi");
  host.saveAnswers.push_back(path);
  DialogDriver driver(GetCurrentThreadId(), IDOK);
  ExportAvi(reader, nullptr, progress.Handle(), 10, platform);
  driver.Join();
  ASSERT_TRUE(driver.found);
  EXPECT_NE(driver.chosen, "");
  EXPECT_TRUE(platform.reports.empty()) << platform.reports.front();
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(progress.Text(), "Exporting video Finished!");
  EXPECT_GT(ReadWholeFile(path).size(), 5u * 48 * 32 * 3);
}

TEST_F(CompressorDialogTest, CancellingTheDialogReportsAndLeavesNoFile) {
  const std::string path = folder.At("cancelled.avi");
  host.saveAnswers.push_back(path);
  DialogDriver driver(GetCurrentThreadId(), IDCANCEL);
  ExportAvi(reader, nullptr, progress.Handle(), 10, platform);
  driver.Join();
  ASSERT_TRUE(driver.found);
  EXPECT_EQ(platform.reports, std::vector<std::string>{"Unable to Open compression selection dialog"});
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
