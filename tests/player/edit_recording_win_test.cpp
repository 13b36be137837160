#include "player/edit_recording_win.h"

#include <gtest/gtest.h>

#include "player/player_files_win.h"
#include "player/recording_bytes.h"
#include "support/test_pictures.h"

namespace {

constexpr size_t kFrame = 100;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recording = EqualFrames(8, kFrame);
    recordingPath = folder.At("cam.mjpg");
    outputPath = folder.At("out.mjpg");
    WriteWholeFile(recordingPath, recording);
    ASSERT_TRUE(reader.Open(recordingPath));
  }

  // Selects frames first..last (counted from 1), then makes frame
  // `current` the one shown.
  void Select(int first, int last, int current) {
    reader.SeekFraction(0.0);
    for (int i = 1; i < first; ++i) reader.ReadNext();
    reader.SetSelectionStart();
    for (int i = first; i < last; ++i) reader.ReadNext();
    reader.SetSelectionEnd();
    MakeCurrent(current);
  }
  void MakeCurrent(int frame) {
    reader.SeekFraction(0.0);
    for (int i = 1; i < frame; ++i) reader.ReadNext();
    ASSERT_EQ(reader.Position(), static_cast<int64_t>(frame * kFrame));
  }
  void Edit(EditKind kind) {
    position = reader.Position();
    frameSize = reader.FrameSize();
    selection = {reader.SelectionStart(), reader.SelectionEnd()};
    EditRecording(reader, progress.Handle(), kind);
  }
  void ExpectReaderUnchanged() {
    EXPECT_EQ(reader.Position(), position);
    EXPECT_EQ(reader.FrameSize(), frameSize);
    EXPECT_EQ(reader.SelectionStart(), selection.first);
    EXPECT_EQ(reader.SelectionEnd(), selection.second);
    EXPECT_EQ(reader.GetOpState(), kIdle);
    EXPECT_EQ(ReadWholeFile(recordingPath), recording);
  }

  TempFolder folder;
  ScriptedHost host;
  RecordingReader reader{host};
  ProgressWindow progress;
  std::vector<uint8_t> recording;
  std::string recordingPath;
  std::string outputPath;
  int64_t position = 0;
  int64_t frameSize = 0;
  std::pair<int64_t, int64_t> selection;
};

TEST_F(EditTest, ExtractWritesExactlyTheSelectedFrames) {
  Select(3, 5, 7);
  host.saveAnswers.push_back(outputPath);
  Edit(EditKind::Extract);
  EXPECT_EQ(ReadWholeFile(outputPath), Slice(recording, 200, 500));
  ASSERT_EQ(host.saveCalls.size(), 1u);
  EXPECT_EQ(host.saveCalls[0].defaultName, "Edited_Video.mjpg");
  EXPECT_EQ(host.saveCalls[0].filter, FilterList(kRecordingFilter));
  EXPECT_EQ(host.saveCalls[0].extension, ".mjpg");
  EXPECT_TRUE(host.openCalls.empty());
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(progress.Text(), "Finished writing output file!");
  ExpectReaderUnchanged();
}

TEST_F(EditTest, DeleteFromTheStartWritesOnlyTheRest) {
  Select(1, 2, 4);
  host.saveAnswers.push_back(outputPath);
  Edit(EditKind::Delete);
  EXPECT_EQ(ReadWholeFile(outputPath), Slice(recording, 200, recording.size()));
  EXPECT_EQ(progress.Text(), "Finished writing output file!");
  ExpectReaderUnchanged();
}

TEST_F(EditTest, DeleteInTheMiddleJoinsBothSides) {
  Select(4, 6, 2);
  host.saveAnswers.push_back(outputPath);
  Edit(EditKind::Delete);
  EXPECT_EQ(ReadWholeFile(outputPath), Join({Slice(recording, 0, 300), Slice(recording, 600, recording.size())}));
  ExpectReaderUnchanged();
}

TEST_F(EditTest, InsertCopiesTheWholeSecondRecordingAtTheChosenMark) {
  // Longer than the open recording and than one copy block.
  const std::vector<uint8_t> second = EqualFrames(60, 150);
  const std::string secondPath = folder.At("second.mjpg");
  WriteWholeFile(secondPath, second);
  Select(2, 3, 5);

  host.saveAnswers.push_back(outputPath);
  host.openAnswers.push_back(secondPath);
  Edit(EditKind::InsertAtEnd);
  EXPECT_EQ(ReadWholeFile(outputPath),
            Join({Slice(recording, 0, 300), second, Slice(recording, 300, recording.size())}));
  ASSERT_EQ(host.openCalls.size(), 1u);
  EXPECT_EQ(host.openCalls[0].defaultName, "Edited_Video.mjpg");
  EXPECT_EQ(host.openCalls[0].filter, FilterList(kRecordingFilter));
  EXPECT_EQ(host.openCalls[0].extension, ".mjpg");
  ExpectReaderUnchanged();

  const std::string atStartPath = folder.At("start.mjpg");
  host.saveAnswers.push_back(atStartPath);
  host.openAnswers.push_back(secondPath);
  Edit(EditKind::InsertAtStart);
  EXPECT_EQ(ReadWholeFile(atStartPath),
            Join({Slice(recording, 0, 100), second, Slice(recording, 100, recording.size())}));
  EXPECT_EQ(progress.Text(), "Finished writing output file!");
  EXPECT_TRUE(host.errors.empty());
  ExpectReaderUnchanged();
}

TEST_F(EditTest, SaveFrameWritesTheCurrentFrameWithoutNeedingASelection) {
  MakeCurrent(4);
  const std::string jpegPath = folder.At("frame.jpg");
  host.saveAnswers.push_back(jpegPath);
  Edit(EditKind::SaveFrame);
  const std::vector<uint8_t> frame = ReadWholeFile(jpegPath);
  EXPECT_EQ(frame, Slice(recording, 300, 400));
  ASSERT_TRUE(ReadTimestamp(frame.data(), frame.size()));
  EXPECT_EQ(*ReadTimestamp(frame.data(), frame.size()), "1700000000");
  ASSERT_EQ(host.saveCalls.size(), 1u);
  EXPECT_EQ(host.saveCalls[0].defaultName, "Jpeg_Frame.jpg");
  EXPECT_EQ(host.saveCalls[0].filter, FilterList(kJpegFilter));
  EXPECT_EQ(host.saveCalls[0].extension, ".jpg");
  ExpectReaderUnchanged();
}

TEST_F(EditTest, SaveFrameNeedsAFrameThatWasRead) {
  // Just opened: no current frame, so no chooser and no file.
  host.saveAnswers.push_back(outputPath);
  Edit(EditKind::SaveFrame);
  EXPECT_TRUE(host.saveCalls.empty());
  // A frame size left from an earlier recording does not count either.
  MakeCurrent(3);
  ASSERT_TRUE(reader.Open(recordingPath));
  ASSERT_EQ(reader.FrameSize(), 100);
  Edit(EditKind::SaveFrame);
  EXPECT_TRUE(host.saveCalls.empty());
  EXPECT_FALSE(FileExists(outputPath));
}

TEST_F(EditTest, WithoutASelectionOnlySaveFrameRuns) {
  MakeCurrent(2);
  for (EditKind kind : {EditKind::Delete, EditKind::Extract, EditKind::InsertAtStart, EditKind::InsertAtEnd}) {
    host.saveAnswers.push_back(outputPath);
    Edit(kind);
    host.saveAnswers.clear();
  }
  EXPECT_TRUE(host.saveCalls.empty());
  EXPECT_FALSE(FileExists(outputPath));
  // Nor while another operation runs.
  Select(1, 2, 2);
  reader.SetOpState(kRunning);
  host.saveAnswers.push_back(outputPath);
  EditRecording(reader, progress.Handle(), EditKind::Extract);
  EXPECT_TRUE(host.saveCalls.empty());
  EXPECT_EQ(reader.GetOpState(), kRunning);
}

TEST_F(EditTest, CancelledChoosersAndFailedInsertionFilesWriteNothing) {
  Select(2, 3, 3);
  Edit(EditKind::Extract);  // save chooser cancelled
  host.saveAnswers.push_back(outputPath);
  Edit(EditKind::InsertAtEnd);  // open chooser cancelled
  EXPECT_TRUE(host.errors.empty());

  const std::string emptyPath = folder.At("empty.mjpg");
  WriteWholeFile(emptyPath, {});
  host.saveAnswers.push_back(outputPath);
  host.openAnswers.push_back(emptyPath);
  Edit(EditKind::InsertAtStart);
  EXPECT_EQ(host.errors, std::vector<std::string>{"Insertion File is Empty"});

  host.saveAnswers.push_back(outputPath);
  host.openAnswers.push_back(folder.At("missing.mjpg"));
  Edit(EditKind::InsertAtEnd);
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors[1], "Could not open insertion file");

  EXPECT_FALSE(FileExists(outputPath));
  ExpectReaderUnchanged();
}

TEST_F(EditTest, RefusesToOverwriteItsOwnSources) {
  const std::vector<uint8_t> second = EqualFrames(3, 120);
  const std::string secondPath = folder.At("second.mjpg");
  WriteWholeFile(secondPath, second);
  Select(2, 4, 5);

  host.saveAnswers.push_back(recordingPath);
  Edit(EditKind::Delete);
  host.saveAnswers.push_back(secondPath);
  host.openAnswers.push_back(secondPath);
  Edit(EditKind::InsertAtEnd);
  // The same file under another spelling of its name.
  host.saveAnswers.push_back(folder.At(".\\CAM.MJPG"));
  Edit(EditKind::Extract);

  EXPECT_EQ(host.errors, std::vector<std::string>(3, kOutputIsSourceMessage));
  EXPECT_EQ(ReadWholeFile(secondPath), second);
  ExpectReaderUnchanged();
  // The reader still reads the recording it has open.
  EXPECT_TRUE(reader.ReadNext());
}

TEST_F(EditTest, ReportsAnOutputThatCannotBeCreated) {
  Select(2, 3, 3);
  host.saveAnswers.push_back(folder.At("no_such_folder\\out.mjpg"));
  Edit(EditKind::Extract);
  EXPECT_EQ(host.errors, std::vector<std::string>{"Could not create output file"});
  ExpectReaderUnchanged();
}

TEST_F(EditTest, CloseMessageAbortsTheCopyAndLeavesTheOutputAsFarAsWritten) {
  Select(1, 8, 3);
  host.saveAnswers.push_back(outputPath);
  PostThreadMessageA(GetCurrentThreadId(), WM_CLOSE, 0, 0);
  Edit(EditKind::Delete);
  EXPECT_TRUE(FileExists(outputPath));
  EXPECT_TRUE(ReadWholeFile(outputPath).empty());
  EXPECT_EQ(progress.Text(), "Finished writing output file!");
  EXPECT_TRUE(host.errors.empty());
  ExpectReaderUnchanged();
}

TEST_F(EditTest, PumpMessagesStopsOnlyWhenTheQueueIsEmptyAfterAnAbort) {
  reader.SetOpState(kRunning);
  EXPECT_TRUE(PumpMessages(reader));
  reader.RequestAbort();
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  EXPECT_TRUE(PumpMessages(reader));  // a message was waiting
  EXPECT_FALSE(PumpMessages(reader));
  reader.SetOpState(kRunning);
  PostThreadMessageA(GetCurrentThreadId(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(PumpMessages(reader));
  EXPECT_EQ(reader.GetOpState(), kStopRequested);
  reader.SetOpState(kIdle);
}

TEST_F(EditTest, CopySectionReportsASourceThatEndsEarly) {
  const std::string sectionPath = folder.At("section.bin");
  HANDLE output = CreateFileA(sectionPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);
  ProgressWindow sectionProgress;
  EXPECT_FALSE(CopySection(reader, *reader.File(), output, sectionProgress.Handle(), 700, 5000, "1 of 1"));
  EXPECT_EQ(host.errors, std::vector<std::string>{"Error getting data for output file"});
  // Across blocks: the progress shows the label and share.
  MemoryRecordingFile big(EqualFrames(100, 100));
  EXPECT_TRUE(CopySection(reader, big, output, sectionProgress.Handle(), 0, 10000, "2 of 3"));
  EXPECT_EQ(sectionProgress.Text(), "Writing output file section 2 of 3... 81.92%");
  CloseHandle(output);
  EXPECT_EQ(ReadWholeFile(sectionPath), big.Bytes());
}

int textsSet = 0;
WNDPROC staticProc = nullptr;
LRESULT CALLBACK CountTexts(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT) ++textsSet;
  return CallWindowProcA(staticProc, window, message, wParam, lParam);
}

TEST_F(EditTest, ProgressTextIsSetOnlyWhenItChanges) {
  // 12288 blocks, while two decimals of a percentage give 10000 texts.
  constexpr size_t kLength = 48u * 1048576;
  MemoryRecordingFile big(std::vector<uint8_t>(kLength, 0x5A));
  const std::string sectionPath = folder.At("big.bin");
  HANDLE output = CreateFileA(sectionPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);
  ProgressWindow sectionProgress;
  staticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(sectionProgress.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountTexts)));
  textsSet = 0;
  EXPECT_TRUE(CopySection(reader, big, output, sectionProgress.Handle(), 0, kLength, "1 of 1"));
  CloseHandle(output);
  EXPECT_EQ(sectionProgress.Text(), "Writing output file section 1 of 1... 99.99%");
  EXPECT_LE(textsSet, 10000);
  EXPECT_GE(textsSet, 9990);
  SetWindowLongPtrA(sectionProgress.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(staticProc));
  EXPECT_EQ(ReadWholeFile(sectionPath).size(), kLength);
}

}  // namespace
