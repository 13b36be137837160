#include "shell/config_file_win.h"

#include <string>

#include "common/file_sink_win.h"
#include "common/program_path_win.h"
#include "common/scoped_handle_win.h"

namespace {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {}
  size_t Read(uint8_t* data, size_t size) override {
    size_t total = 0;
    while (total < size) {
      DWORD got = 0;
      const DWORD ask = static_cast<DWORD>(std::min<size_t>(size - total, 1u << 20));
      if (!ReadFile(file_, data + total, ask, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::string ConfigPath() {
  return ConfigPathFor(ProgramPath());
}

std::string ConfigBackupPath(const std::string& path) {
  return path + ".bak";
}

bool SaveConfigFile(const std::string& path, const WebSettings& web, const GridLayout& layout,
                    const std::vector<CameraRecords>& cameras, HWND owner, const MessageBoxFn& messageBox,
                    const std::function<std::unique_ptr<ByteSink>(HANDLE file)>& writer, const WebSecurity* security,
                    const AlertServers* servers) {
  const std::string fresh = path + ".new";
  ScopedKernelHandle file(
      CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ShowMessage(messageBox, owner, "Could not open config file for writing!", "Error", kErrorBoxFlags);
    return false;
  }
  bool complete;
  {
    std::unique_ptr<ByteSink> sink = writer ? writer(file.Get()) : std::make_unique<FileSink>(file.Get());
    complete = WriteConfig(*sink, web, layout, cameras, security, servers);
  }
  // On the disk before it replaces anything: a rename may reach the disk
  // before the data it names.
  complete = complete && FlushFileBuffers(file.Get());
  file.Reset();
  // A failed copy keeps the older backup, which is still a good file.
  if (complete) CopyFileA(path.c_str(), ConfigBackupPath(path).c_str(), FALSE);
  if (!complete || !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ShowMessage(messageBox, owner, "Writing of config file failed", "Error", kErrorBoxFlags);
    DeleteFileA(fresh.c_str());
    return false;
  }
  return true;
}

namespace {

enum class FileRead { kMissing, kComplete, kDamaged };

FileRead ReadConfigFile(const std::string& path, WebSettings& web, GridLayout& layout, const RebuildForLayout& rebuild,
                        WebSecurity* security, AlertServers* servers) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FileRead::kMissing;
  FileSource source(file.Get());
  return ReadConfig(source, web, layout, rebuild, nullptr, security, servers) ? FileRead::kComplete
                                                                              : FileRead::kDamaged;
}

// Renames the file to `path`.damaged, or .damaged-2 and on when that is
// taken; "" when no name could be had.
std::string MoveAside(const std::string& path) {
  for (int n = 1; n <= 100; ++n) {
    const std::string aside = path + ".damaged" + (n == 1 ? "" : "-" + std::to_string(n));
    if (MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return aside;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return "";
}

}  // namespace

ConfigLoad LoadConfigFile(const std::string& path, WebSettings& web, GridLayout& layout,
                          const RebuildForLayout& rebuild, HWND owner, const MessageBoxFn& messageBox,
                          std::string* damagedKeptAs, WebSecurity* security, AlertServers* servers) {
  const FileRead read = ReadConfigFile(path, web, layout, rebuild, security, servers);
  if (read == FileRead::kMissing) return ConfigLoad::kMissing;
  if (read == FileRead::kComplete) return ConfigLoad::kLoaded;
  // A save cut short by a crash leaves the backup good: start from it
  // rather than not at all, keeping the damaged file for whoever looks.
  const std::string backup = ConfigBackupPath(path);
  if (ReadConfigFile(backup, web, layout, rebuild, security, servers) == FileRead::kComplete) {
    const std::string aside = MoveAside(path);
    if (!aside.empty()) {
      CopyFileA(backup.c_str(), path.c_str(), TRUE);
      if (damagedKeptAs) *damagedKeptAs = aside;
      return ConfigLoad::kRestored;
    }
  }
  ShowMessage(messageBox, owner, "Read of config file failed!\nDelete it and restart the program", "Error",
              kErrorBoxFlags);
  return ConfigLoad::kFailed;
}
