#include "player/avi_writer_win.h"

#include "common/fixed_text.h"
#include "common/picture.h"

namespace {

using ChooseFunction = BOOL(WINAPI*)(HWND, UINT, LPVOID, LPVOID, PCOMPVARS, LPSTR);
using FreeFunction = void(WINAPI*)(PCOMPVARS);

template <typename Function>
Function FindVideoFunction(const char* name) {
  HMODULE module = GetModuleHandleA("msvfw32.dll");
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

AviPlatform::Choice SystemAviPlatform::ChooseCompressor(HWND owner, BITMAPINFOHEADER& input, COMPVARS& vars) {
  const auto choose = FindVideoFunction<ChooseFunction>("ICCompressorChoose");
  if (!choose || !FindVideoFunction<FreeFunction>("ICCompressorFree")) return Choice::Unavailable;
  return choose(owner, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, &input, nullptr, &vars, nullptr)
             ? Choice::Chosen
             : Choice::Cancelled;
}

void SystemAviPlatform::FreeCompressor(COMPVARS& vars) {
  if (const auto release = FindVideoFunction<FreeFunction>("ICCompressorFree")) release(&vars);
}

void SystemAviPlatform::ReportError(HWND owner, const char* text) {
  MessageBoxA(owner, text, kAviErrorTitle, MB_ICONWARNING | MB_TOPMOST);
}

AviPlatform& DefaultAviPlatform() {
  static SystemAviPlatform platform;
  return platform;
}

COMPVARS InitialCompressorChoice() {
  COMPVARS vars{};
  vars.cbSize = sizeof vars;
  vars.dwFlags = ICMF_COMPVARS_VALID;
  vars.lKey = 1;
  vars.lQ = ICQUALITY_DEFAULT;
  return vars;
}

DWORD DibImageSize(const BITMAPINFOHEADER& header) {
  return static_cast<DWORD>(RowStride(header.biWidth, header.biBitCount) *
                            static_cast<size_t>(AbsHeight(header.biHeight)));
}

AVISTREAMINFOA VideoStreamHeader(const COMPVARS& vars, const BITMAPINFOHEADER& format, uint32_t framesPerSecond) {
  AVISTREAMINFOA info{};
  info.fccType = streamtypeVIDEO;
  info.fccHandler = vars.fccHandler;
  info.dwScale = 1;
  info.dwRate = framesPerSecond;
  info.dwSuggestedBufferSize = DibImageSize(format);
  info.dwQuality = static_cast<DWORD>(vars.lQ);
  const LONG height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
  SetRect(&info.rcFrame, 0, 0, format.biWidth, height);
  CopyText(info.szName, "Video Stream");
  return info;
}

AVICOMPRESSOPTIONS CompressionOptions(const COMPVARS& vars) {
  AVICOMPRESSOPTIONS options{};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = vars.fccHandler;
  options.dwKeyFrameEvery = static_cast<DWORD>(vars.lKey);
  options.dwQuality = static_cast<DWORD>(vars.lQ);
  options.dwBytesPerSecond = static_cast<DWORD>(vars.lDataRate) * 1024;
  options.dwFlags = AVICOMPRESSF_VALID;
  if (vars.lDataRate != 0) options.dwFlags |= AVICOMPRESSF_DATARATE;
  if (vars.lKey != 0) options.dwFlags |= AVICOMPRESSF_KEYFRAMES;
  return options;
}

const char* CreateFileErrorText(HRESULT result) {
  switch (static_cast<uint32_t>(result)) {
    case 0x80040154u:
      return "Unable to create output file; invalid file type";
    case 0x80044066u:
      return "Unable to create output file; invalid file format";
    case 0x80044067u:
      return "Unable to create output file; memory error";
    case 0x8004406Du:
      return "Unable to create output file; file read error";
    case 0x8004406Fu:
      return "Unable to create output file; file open error";
    default:
      return "Unable to create output file";
  }
}

bool AviWriter::Fail(HWND owner, COMPVARS& vars, const char* text) {
  platform_.FreeCompressor(vars);
  platform_.ReportError(owner, text);
  return false;
}

bool AviWriter::Open(HWND owner, const char* path, BITMAPINFOHEADER& format, uint32_t framesPerSecond) {
  Close();
  format.biSizeImage = DibImageSize(format);
  COMPVARS vars = InitialCompressorChoice();
  switch (platform_.ChooseCompressor(owner, format, vars)) {
    case AviPlatform::Choice::Unavailable:
      return false;
    case AviPlatform::Choice::Cancelled:
      return Fail(owner, vars, "Unable to Open compression selection dialog");
    case AviPlatform::Choice::Chosen:
      break;
  }
  const HRESULT opened = AVIFileOpenA(&aviFile_, path, OF_WRITE | OF_CREATE, nullptr);
  if (FAILED(opened)) {
    aviFile_ = nullptr;
    return Fail(owner, vars, CreateFileErrorText(opened));
  }
  AVISTREAMINFOA header = VideoStreamHeader(vars, format, framesPerSecond);
  if (FAILED(AVIFileCreateStreamA(aviFile_, &rawStream_, &header))) {
    rawStream_ = nullptr;
    return Fail(owner, vars, "Unable to create video output stream");
  }
  AVICOMPRESSOPTIONS options = CompressionOptions(vars);
  if (FAILED(AVIMakeCompressedStream(&compressedStream_, rawStream_, &options, nullptr))) {
    compressedStream_ = nullptr;
    return Fail(owner, vars, "Unable to create compressed video output stream");
  }
  if (FAILED(AVIStreamSetFormat(compressedStream_, 0, &format, static_cast<LONG>(format.biSize)))) {
    return Fail(owner, vars, "Unable to set video stream format");
  }
  platform_.FreeCompressor(vars);
  frameCount_ = 0;
  return true;
}

bool AviWriter::WriteFrame(const void* pixels, const BITMAPINFOHEADER& header) {
  if (!compressedStream_) return false;
  const HRESULT result = AVIStreamWrite(compressedStream_, frameCount_, 1, const_cast<void*>(pixels),
                                        static_cast<LONG>(header.biSizeImage), 0, nullptr, nullptr);
  if (FAILED(result)) {
    Close();
    return false;
  }
  ++frameCount_;
  return true;
}

void AviWriter::Close() {
  if (compressedStream_) AVIStreamRelease(compressedStream_);
  if (rawStream_) AVIStreamRelease(rawStream_);
  if (aviFile_) AVIFileRelease(aviFile_);
  compressedStream_ = nullptr;
  rawStream_ = nullptr;
  aviFile_ = nullptr;
}
