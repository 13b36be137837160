#pragma once
// Extract, delete and insert on an open MP4 recording by copying packets:
// nothing is decoded or encoded, and cuts fall on key frames, so the
// selection is widened to whole groups of pictures (said before anything is
// written). An insert needs the same codec, picture size and parameter
// sets. The open recording and the inserted file are never written.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "player/edit_recording_win.h"
#include "player/mp4_copy_win.h"
#include "player/mp4_reader_win.h"

inline constexpr char kMp4Filter[] = "MP4 (*.mp4)\0*.mp4\0All Files (*.*)\0*.*\0";

// The edit without choosers (Extract, Delete, InsertAtStart, InsertAtEnd;
// inserted is read by the inserts): "" when written, else why not, and
// nothing is left at output.
std::string CutMp4(const Mp4Reader& reader, EditKind kind, const std::string& output, const std::string& inserted,
                   const CopyProgress& progress = nullptr);

// The edit as the menu runs it: the confirmation naming the widened
// selection, the choosers, the report. progress (may be null) shows how
// far it got; keepGoing is asked between packets (it lets the window
// handle a message) and stops the copy when false.
void EditMp4(Mp4Reader& reader, HWND owner, HWND progress, EditKind kind, const std::function<bool()>& keepGoing,
             std::string_view outputName = "Edited_Video.mp4");
