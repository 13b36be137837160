#include "shell/config_file_win.h"

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

bool SaveConfigFile(const std::string& path, const WebSettings& web, const GridLayout& layout,
                    const std::vector<CameraRecords>& cameras, HWND owner, const MessageBoxFn& messageBox,
                    const std::function<std::unique_ptr<ByteSink>(HANDLE file)>& writer) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ShowMessage(messageBox, owner, "Could not open config file for writing!", "Error", kErrorBoxFlags);
    return false;
  }
  bool complete;
  {
    std::unique_ptr<ByteSink> sink = writer ? writer(file.Get()) : std::make_unique<FileSink>(file.Get());
    complete = WriteConfig(*sink, web, layout, cameras);
  }
  file.Reset();
  if (!complete) {
    ShowMessage(messageBox, owner, "Writing of config file failed", "Error", kErrorBoxFlags);
    // The next start then uses the defaults rather than a cut file.
    DeleteFileA(path.c_str());
  }
  return complete;
}

ConfigLoad LoadConfigFile(const std::string& path, WebSettings& web, GridLayout& layout,
                          const RebuildForLayout& rebuild, HWND owner, const MessageBoxFn& messageBox) {
  ScopedKernelHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ConfigLoad::kMissing;
  FileSource source(file.Get());
  const bool complete = ReadConfig(source, web, layout, rebuild);
  file.Reset();
  if (complete) return ConfigLoad::kLoaded;
  ShowMessage(messageBox, owner, "Read of config file failed!\nDelete it and restart the program", "Error",
              kErrorBoxFlags);
  return ConfigLoad::kFailed;
}
