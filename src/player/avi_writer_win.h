#pragma once
// An AVI file being written through the platform's AVIFile functions: one
// video stream compressed by the compressor the user picks.

#include <windows.h>
// after windows.h
#include <vfw.h>

#include <cstdint>

// The platform's parts the writer asks for, apart so tests can choose a
// compressor and see the reports without dialogs or boxes.
class AviPlatform {
 public:
  enum class Choice { Unavailable, Cancelled, Chosen };
  virtual ~AviPlatform() = default;
  // The compressor dialog for input of this format.
  virtual Choice ChooseCompressor(HWND owner, BITMAPINFOHEADER& input, COMPVARS& vars) = 0;
  virtual void FreeCompressor(COMPVARS& vars) = 0;
  // A warning box titled "AVI Output Error".
  virtual void ReportError(HWND owner, const char* text) = 0;
};

// The real dialog, ICCompressorChoose and ICCompressorFree looked up in
// msvfw32 at every use.
class SystemAviPlatform : public AviPlatform {
 public:
  Choice ChooseCompressor(HWND owner, BITMAPINFOHEADER& input, COMPVARS& vars) override;
  void FreeCompressor(COMPVARS& vars) override;
  void ReportError(HWND owner, const char* text) override;
};
AviPlatform& DefaultAviPlatform();

inline constexpr char kAviErrorTitle[] = "AVI Output Error";

// The compressor choice before the dialog: every frame a key frame, the
// compressor's default quality, nothing preselected.
COMPVARS InitialCompressorChoice();
// The stream header and compression options for a chosen compressor.
AVISTREAMINFOA VideoStreamHeader(const COMPVARS& vars, const BITMAPINFOHEADER& format, uint32_t framesPerSecond);
AVICOMPRESSOPTIONS CompressionOptions(const COMPVARS& vars);
// The message for a failing AVIFileOpenA result.
const char* CreateFileErrorText(HRESULT result);

// A DIB's pixel bytes: rows padded to four bytes.
DWORD DibImageSize(const BITMAPINFOHEADER& header);

class AviWriter {
 public:
  explicit AviWriter(AviPlatform& platform = DefaultAviPlatform()) : platform_(platform) {}
  ~AviWriter() { Close(); }
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Asks for the compressor and creates the file and its stream for frames
  // of the format (whose image size it sets). Reports failures itself,
  // except a missing compressor dialog; what was created before a failure
  // stays until Close.
  bool Open(HWND owner, const char* path, BITMAPINFOHEADER& format, uint32_t framesPerSecond);
  // Writes one frame as the next sample; on failure closes the writer.
  bool WriteFrame(const void* pixels, const BITMAPINFOHEADER& header);
  // Releases the streams and the file, which completes it on disk.
  void Close();

  bool IsOpen() const { return compressedStream_ != nullptr; }

 private:
  bool Fail(HWND owner, COMPVARS& vars, const char* text);

  AviPlatform& platform_;
  int32_t frameCount_ = 0;
  PAVIFILE aviFile_ = nullptr;
  PAVISTREAM rawStream_ = nullptr;
  PAVISTREAM compressedStream_ = nullptr;
};
