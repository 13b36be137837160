#pragma once
// The file-system side of the recording paths: folders made and cleaned,
// numbered pictures found and opened. Paths are ANSI, backslash-separated,
// as ExpandSavePath (save_path.h) gives them.

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "common/scoped_handle_win.h"
#include "engine/save_path.h"

// Makes every folder of the recording path (see the portable overload for
// the rules) with CreateDirectoryA, four attempts 100 ms apart per level.
// True when the path can be written to; on false the worker shows "Failed to
// create save directory", saves nothing for this frame and tries again with
// the next one. Runs on the worker thread and may block up to 300 ms per
// failing level.
bool CreateSaveDirectories(std::string_view path);

// Empties the folder of `path` (the text before its last backslash) of its
// recordings: every file whose name matches "*.*jp*g" (.mjpg, .jpg, .jpeg,
// .mjpeg). Other files and all sub-folders stay. A path without a backslash,
// a folder that does not exist and files that cannot be deleted are passed
// over silently. The worker calls it with the new path when
// ClassifyPathChange gives kNewFolder and cleanDirectory is set, after
// closing the open file and before creating folders.
void CleanSaveDirectory(std::string_view path);

// The number with which numbered pictures of `path` resume (PickStartNumber
// over the pictures' last-write times). A picture counts as missing when it
// cannot be opened for reading and writing without sharing, so a number in
// use elsewhere is taken as free. 0 when maxJpegCount is 1 or less.
uint32_t FindStartNumber(std::string_view path, int32_t maxJpegCount);

// Opens a numbered picture for writing the next picture from its start:
// read and write access, others may read, created when missing, and cut to
// length 0 so no tail of an older, longer picture remains. The handle is
// invalid on failure; the worker then shows "Failed to access jpeg file for
// writing".
ScopedKernelHandle OpenNumberedPicture(const char* name);
