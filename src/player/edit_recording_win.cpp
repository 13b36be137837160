#include "player/edit_recording_win.h"

#include <cstring>
#include <memory>
#include <string>

#include "common/fixed_text.h"
#include "common/scoped_handle_win.h"
#include "player/win32_recording_file_win.h"

namespace {

constexpr size_t kBlock = 4096;

struct Section {
  bool fromInsertion;
  int64_t start;
  int64_t length;
  const char* label;
};

struct EditPlan {
  const char* defaultName;
  const char* filter;
  const char* extension;
  bool inserts;
};

EditPlan PlanFor(EditKind kind) {
  if (kind == EditKind::SaveFrame) return {"Jpeg_Frame.jpg", kJpegFilter, kJpegExtension, false};
  const bool inserts = kind == EditKind::InsertAtStart || kind == EditKind::InsertAtEnd;
  return {"Edited_Video.mjpg", kRecordingFilter, kRecordingExtension, inserts};
}

// The sections in order; at most three.
size_t SectionsFor(EditKind kind, const RecordingReader& reader, int64_t insertionSize, Section (&out)[3]) {
  const int64_t start = reader.SelectionStart();
  const int64_t end = reader.SelectionEnd();
  const int64_t size = reader.FileSize();
  switch (kind) {
    case EditKind::Delete:
      out[0] = {false, 0, start, "1 of 2"};
      out[1] = {false, end, size - end, "2 of 2"};
      return 2;
    case EditKind::Extract:
      out[0] = {false, start, end - start, "1 of 1"};
      return 1;
    case EditKind::SaveFrame:
      out[0] = {false, reader.Position() - reader.FrameSize(), reader.FrameSize(), "1 of 1"};
      return 1;
    case EditKind::InsertAtStart:
    case EditKind::InsertAtEnd: {
      const int64_t at = kind == EditKind::InsertAtStart ? start : end;
      out[0] = {false, 0, at, "1 of 3"};
      out[1] = {true, 0, insertionSize, "2 of 3"};
      out[2] = {false, at, size - at, "3 of 3"};
      return 3;
    }
  }
  return 0;
}

}  // namespace

void ShowProgress(HWND progress, const char* text) {
  if (progress) SetWindowTextA(progress, text);
}

bool PumpMessages(RecordingReader& reader) {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return reader.GetOpState() != kStopRequested;
  bool goOn = true;
  if (message.message == WM_CLOSE) {
    reader.RequestAbort();
    goOn = false;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return goOn;
}

bool CopySection(RecordingReader& reader, RecordingFile& source, HANDLE output, HWND progress, int64_t start,
                 int64_t length, const char* label) {
  if (!PumpMessages(reader)) return false;
  if (length <= 0) return true;
  if (start < 0) return false;
  uint8_t block[kBlock];
  int64_t total = 0;
  // Setting a window's text costs as much as a block's copy under Wine,
  // and the text changes only every few hundred blocks of a large section.
  char shown[128] = "";
  while (PumpMessages(reader)) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(kBlock, length - total));
    const size_t got = source.ReadAt(start + total, block, want);
    if (got != want) {
      reader.ShowError("Error getting data for output file");
      return false;
    }
    DWORD written = 0;
    if (!WriteFile(output, block, static_cast<DWORD>(got), &written, nullptr) || written != got) {
      reader.ShowError("Error writing output file");
      return false;
    }
    total += written;
    if (total == length) return true;
    char text[128];
    FormatText(text, sizeof text, "Writing output file section %s... %.2f%%", label,
               static_cast<double>(total) / static_cast<double>(length) * 100.0);
    if (std::strcmp(text, shown) != 0) {
      ShowProgress(progress, text);
      CopyText(shown, text);
    }
  }
  return false;
}

void EditRecording(RecordingReader& reader, HWND progress, EditKind kind) {
  if (!reader.IsOpen() || reader.IsBusy()) return;
  // A current frame is one that was read and lies inside the file.
  const bool hasFrame = reader.FrameSize() > 0 && reader.Position() >= reader.FrameSize();
  if (kind == EditKind::SaveFrame ? !hasFrame : !reader.HasSelection()) return;
  ReaderOperation operation(reader);
  const EditPlan plan = PlanFor(kind);

  const std::string outputPath = reader.AskSaveFile(plan.defaultName, plan.filter, plan.extension);
  if (outputPath.empty()) return;

  std::unique_ptr<RecordingFile> insertion;
  int64_t insertionSize = 0;
  if (plan.inserts) {
    const std::string insertPath = reader.AskOpenFile("Edited_Video.mjpg", kRecordingFilter, kRecordingExtension);
    if (insertPath.empty()) return;
    insertion = reader.Host().OpenRecording(insertPath);
    if (!insertion) {
      reader.ShowError("Could not open insertion file");
      return;
    }
    insertionSize = insertion->Size();
    if (insertionSize <= 0) {
      reader.ShowError("Insertion File is Empty");
      return;
    }
  }

  // Creating the output replaces the file: it must not be a source.
  const HANDLE recording = static_cast<HANDLE>(reader.File()->NativeHandle());
  const HANDLE inserted = insertion ? static_cast<HANDLE>(insertion->NativeHandle()) : nullptr;
  if (IsSameFile(recording, outputPath) || IsSameFile(inserted, outputPath)) {
    reader.ShowError(kOutputIsSourceMessage);
    return;
  }

  ScopedKernelHandle output(CreateFileA(outputPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) {
    reader.ShowError("Could not create output file");
    return;
  }

  Section sections[3];
  const size_t count = SectionsFor(kind, reader, insertionSize, sections);
  for (size_t i = 0; i < count; ++i) {
    RecordingFile& source = sections[i].fromInsertion ? *insertion : *reader.File();
    CopySection(reader, source, output.Get(), progress, sections[i].start, sections[i].length, sections[i].label);
  }
  ShowProgress(progress, "Finished writing output file!");
}
