#pragma once
// A recording on disk, opened for reading with read and write sharing so
// that the camera program can go on writing it.

#include <windows.h>

#include <memory>
#include <string>

#include "common/scoped_handle_win.h"
#include "player/recording_file.h"

class Win32RecordingFile final : public RecordingFile {
 public:
  static std::unique_ptr<Win32RecordingFile> Open(const std::string& path);
  explicit Win32RecordingFile(ScopedKernelHandle file) : file_(std::move(file)) {}

  int64_t Size() override;
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override;
  void* NativeHandle() const override { return file_.Get(); }

 private:
  ScopedKernelHandle file_;
};

// Whether the file at path is the very file open behind handle (the same
// volume and file index), so an output chosen there would destroy it.
bool IsSameFile(HANDLE open, const std::string& path);
