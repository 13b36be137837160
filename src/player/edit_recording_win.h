#pragma once
// Cutting and joining recordings by byte ranges: every edit copies up to
// three ranges (of the open recording and of a second recording) into a
// new file, in 4096-byte blocks, dispatching one pending message before
// each block so the window repaints and the Play button can abort. Nothing
// is decoded; the open recording is never modified, and an output that is
// the open recording or the inserted file is refused.

#include <windows.h>

#include <cstdint>

#include "player/recording_reader.h"

enum class EditKind : int {
  Delete = 1,
  Extract = 2,
  SaveFrame = 3,
  InsertAtStart = 4,
  InsertAtEnd = 5,
};

inline constexpr char kOutputIsSourceMessage[] =
    "The output file cannot be the open video or the video being inserted; choose another file";

// Runs one edit with its choosers and reports; progress (may be null) is
// the window whose text shows how far it got. Does nothing without a
// selection (except SaveFrame, which needs a current frame), while an
// operation runs or with no recording open. Leaves the reader's position,
// current frame and selection as they were.
void EditRecording(RecordingReader& reader, HWND progress, EditKind kind);

// Copies [start, start + length) of source to the output's current
// position. False after a read or write error (reported) or an abort.
bool CopySection(RecordingReader& reader, RecordingFile& source, HANDLE output, HWND progress, int64_t start,
                 int64_t length, const char* label);

// Dispatches at most one pending message of the thread. False (stop) when
// it was WM_CLOSE, which also requests the stop, or when none was pending
// and a stop has been requested.
bool PumpMessages(RecordingReader& reader);

// Sets a progress window's text; a null window is ignored.
void ShowProgress(HWND progress, const char* text);
