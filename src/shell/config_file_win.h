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
// Where the settings before the last save are kept: `path` + ".bak".
std::string ConfigBackupPath(const std::string& path);

// Writes the whole file as a new file beside it (`path` + ".new"), flushes
// it to the disk, keeps the file in place as its backup and moves the
// new one over it: a crash or a power cut at any moment leaves the old file
// or the new one, never a cut one. Reports a file that cannot be opened,
// or a write or move that fails (the old file then stays as it was), in an
// error box owned by `owner`. `writer` wraps the open file (tests make it
// stop short); null writes straight to it.
bool SaveConfigFile(const std::string& path, const WebSettings& web, const GridLayout& layout,
                    const std::vector<CameraRecords>& cameras, HWND owner, const MessageBoxFn& messageBox,
                    const std::function<std::unique_ptr<ByteSink>(HANDLE file)>& writer = nullptr,
                    const WebSecurity* security = nullptr, const AlertServers* servers = nullptr);

// kRestored: the file was damaged and its backup was good: the damaged file
// was renamed (to a name no file had, `damagedKeptAs`), the backup loaded
// and copied into its place.
enum class ConfigLoad { kMissing, kLoaded, kRestored, kFailed };
// Missing or locked: nothing happens and the defaults stay. A file of the
// wrong size without a good backup (or one that cannot be moved aside)
// shows the read-failure box and is left in place.
ConfigLoad LoadConfigFile(const std::string& path, WebSettings& web, GridLayout& layout,
                          const RebuildForLayout& rebuild, HWND owner, const MessageBoxFn& messageBox,
                          std::string* damagedKeptAs = nullptr, WebSecurity* security = nullptr,
                          AlertServers* servers = nullptr);
