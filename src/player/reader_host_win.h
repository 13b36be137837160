#pragma once
// The reader's host in the program: files on disk, message boxes and the
// common file dialogs owned by the player window, whose title it sets.
// Tests derive from it and answer the dialogs and boxes themselves.

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include "player/reader_host.h"

inline constexpr UINT kErrorBoxFlags = MB_ICONWARNING | MB_TOPMOST;  // 0x40030

class Win32ReaderHost : public ReaderHost {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }

  std::unique_ptr<RecordingFile> OpenRecording(const std::string& path) override;
  void ShowError(std::string_view text) override;
  std::string AskSaveFile(std::string_view defaultName, const char* filter, std::string_view defaultExtension) override;
  std::string AskOpenFile(std::string_view defaultName, const char* filter, std::string_view defaultExtension) override;
  void SetTitle(std::string_view title) override;
  // The folder of the recording opened last, where the choosers start; ""
  // before one is open.
  const std::string& RecordingFolder() const { return folder_; }

 private:
  HWND owner_ = nullptr;
  std::string folder_;
};

// The dialog settings, apart so a test can check them without showing one.
// The save chooser asks before overwriting and accepts new names; the open
// chooser accepts existing files only.
inline constexpr DWORD kSaveDialogFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
inline constexpr DWORD kOpenDialogFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;

// Fills a file-dialog structure; name must hold MAX_PATH characters and
// extension the extension without its leading dot. The chooser starts in
// `folder` unless it is null or empty.
void PrepareFileDialog(OPENFILENAMEA& dialog, HWND owner, char* name, std::string_view defaultName, const char* filter,
                       const char* extension, const char* title, DWORD flags, const char* folder = nullptr);
