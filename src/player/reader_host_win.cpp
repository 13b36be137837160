#include "player/reader_host_win.h"

#include <commdlg.h>

#include "common/fixed_text.h"
#include "player/win32_recording_file_win.h"

namespace {

// The dialogs want the default extension without its dot ("mjpg").
std::string BareExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return std::string(extension);
}

}  // namespace

void PrepareFileDialog(OPENFILENAMEA& dialog, HWND owner, char* name, std::string_view defaultName, const char* filter,
                       const char* extension, const char* title, DWORD flags, const char* folder) {
  dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  CopyText(name, MAX_PATH, defaultName);
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrDefExt = extension;
  dialog.lpstrTitle = title;
  dialog.Flags = flags;
  if (folder && *folder) dialog.lpstrInitialDir = folder;
}

std::unique_ptr<RecordingFile> Win32ReaderHost::OpenRecording(const std::string& path) {
  std::unique_ptr<RecordingFile> file = Win32RecordingFile::Open(path);
  const size_t slash = path.find_last_of("\\/");
  if (file && slash != std::string::npos) folder_ = path.substr(0, slash);
  return file;
}

void Win32ReaderHost::ShowError(std::string_view text) {
  MessageBoxA(owner_, std::string(text).c_str(), "Error", kErrorBoxFlags);
}

std::string Win32ReaderHost::AskSaveFile(std::string_view defaultName, const char* filter,
                                         std::string_view defaultExtension) {
  char name[MAX_PATH];
  const std::string extension = BareExtension(defaultExtension);
  OPENFILENAMEA dialog;
  PrepareFileDialog(dialog, owner_, name, defaultName, filter, extension.c_str(), kSaveDialogTitle, kSaveDialogFlags,
                    folder_.c_str());
  if (!GetSaveFileNameA(&dialog)) return "";
  return name;
}

std::string Win32ReaderHost::AskOpenFile(std::string_view defaultName, const char* filter,
                                         std::string_view defaultExtension) {
  char name[MAX_PATH];
  const std::string extension = BareExtension(defaultExtension);
  OPENFILENAMEA dialog;
  PrepareFileDialog(dialog, owner_, name, defaultName, filter, extension.c_str(), kOpenDialogTitle, kOpenDialogFlags,
                    folder_.c_str());
  if (!GetOpenFileNameA(&dialog)) return "";
  return name;
}

void Win32ReaderHost::SetTitle(std::string_view title) {
  if (owner_) SetWindowTextA(owner_, std::string(title).c_str());
}
