#include "player/reader_host_win.h"

#include <gtest/gtest.h>

#include "player/player_files_win.h"
#include "player/recording_bytes.h"
#include "player/recording_reader.h"
#include "support/test_pictures.h"

namespace {

std::string TitleOf(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Only the boxes are recorded; files and the title are the real ones.
class QuietHost : public Win32ReaderHost {
 public:
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::vector<std::string> errors;
};

TEST(ReaderHostTest, OpenSetsTheOwnerTitleAndReadsTheFileOnDisk) {
  TempFolder folder;
  ProgressWindow owner;
  QuietHost host;
  host.SetOwner(owner.Handle());
  RecordingReader reader(host);
  const std::vector<uint8_t> bytes = EqualFrames(3, 80);
  const std::string path = folder.At("Garden 2.mjpg");
  WriteWholeFile(path, bytes);

  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(TitleOf(owner.Handle()), "Framedeck - Garden 2.mjpg");
  EXPECT_EQ(host.RecordingFolder(), folder.Path()) << "where the save and export choosers start";
  auto frame = reader.ReadNext();
  ASSERT_TRUE(frame);
  EXPECT_EQ(std::vector<uint8_t>(frame->data, frame->data + frame->size),
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + 80));

  // The camera program goes on writing while the player reads.
  HANDLE writer = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const std::vector<uint8_t> more = SyntheticFrame(80, 42);
  DWORD written = 0;
  WriteFile(writer, more.data(), static_cast<DWORD>(more.size()), &written, nullptr);
  CloseHandle(writer);
  reader.ReadNext();
  reader.ReadNext();
  frame = reader.ReadNext();
  ASSERT_TRUE(frame);
  EXPECT_EQ(FrameTag(frame->data, frame->size), 42);
  EXPECT_EQ(reader.FileSize(), 320);

  EXPECT_FALSE(reader.Open(folder.At("missing.mjpg")));
  EXPECT_EQ(host.errors, std::vector<std::string>{"Could not open file"});
  EXPECT_EQ(TitleOf(owner.Handle()), "Framedeck");
}

TEST(ReaderHostTest, FileDialogsGetTheirTitlesFlagsAndDefaults) {
  ProgressWindow owner;
  char name[MAX_PATH];
  OPENFILENAMEA dialog;
  PrepareFileDialog(dialog, owner.Handle(), name, "Edited_Video.mjpg", kRecordingFilter, "mjpg", kSaveDialogTitle,
                    kSaveDialogFlags);
  EXPECT_EQ(dialog.lStructSize, sizeof dialog);
  EXPECT_EQ(dialog.hwndOwner, owner.Handle());
  EXPECT_STREQ(dialog.lpstrFile, "Edited_Video.mjpg");
  EXPECT_EQ(dialog.nMaxFile, static_cast<DWORD>(MAX_PATH));
  EXPECT_EQ(dialog.lpstrFilter, kRecordingFilter);
  EXPECT_STREQ(dialog.lpstrDefExt, "mjpg");
  EXPECT_STREQ(dialog.lpstrTitle, "Select output file location");
  EXPECT_TRUE(dialog.Flags & OFN_OVERWRITEPROMPT);
  EXPECT_TRUE(dialog.Flags & OFN_EXPLORER);
  EXPECT_FALSE(dialog.Flags & OFN_FILEMUSTEXIST);  // a new output must be accepted
  EXPECT_STREQ(kOpenDialogTitle, "Select a video file to insert");
  EXPECT_EQ(kOpenDialogFlags, 0x81004u);

  // A default name longer than the buffer is cut, never overrun.
  const std::string longName(400, 'x');
  PrepareFileDialog(dialog, nullptr, name, longName, kRecordingFilter, "mjpg", kOpenDialogTitle, kOpenDialogFlags);
  EXPECT_EQ(std::string(name).size(), static_cast<size_t>(MAX_PATH - 1));
}

}  // namespace
