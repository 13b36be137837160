#pragma once
// The configuration file on disk, beside the program.

#include <windows.h>

#include <memory>
#include <string>

#include "common/byte_sink.h"
#include "shell/config_file.h"
#include "shell/shell_services_win.h"

// The program's own path with its extension replaced by "cfg".
std::string ConfigPath();

// Creates or truncates the file and writes it whole. Reports a file that
// cannot be opened, or a short write (after which the partial file is
// deleted), in an error box owned by `owner`. `writer` wraps the open file
// (tests make it stop short); null writes straight to it.
bool SaveConfigFile(const std::string& path, const WebSettings& web, const GridLayout& layout,
                    const std::vector<CameraRecords>& cameras, HWND owner, const MessageBoxFn& messageBox,
                    const std::function<std::unique_ptr<ByteSink>(HANDLE file)>& writer = nullptr);

enum class ConfigLoad { kMissing, kLoaded, kFailed };
// Missing or locked: nothing happens and the defaults stay. A file of the
// wrong size shows the read-failure box and is left in place.
ConfigLoad LoadConfigFile(const std::string& path, WebSettings& web, GridLayout& layout,
                          const RebuildForLayout& rebuild, HWND owner, const MessageBoxFn& messageBox);
