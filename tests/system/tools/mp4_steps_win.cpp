// Opens an MP4 recording in the player's reader and moves through it as
// told, one line per move: the outcome, the frame counter drawn into the
// picture (a band of 16 cells along the top, lowest bit left), the capture
// date, where the frame lies and how long the move took. Usage:
//   mp4_steps PATH [n | p | sFRACTION | a | b | x=OUT | c=OUT | d=OUT | i=OUT,FILE | e=OUT,FILE | j=OUT | v=OUT]...
// a and b mark the selection's start and end at the shown frame; x, d, i
// and e extract, delete, insert at its start and insert at its end (c
// extracts but stops at the first packet),
// printing "edit=<why not>" ("edit=" when written), the widened range and
// the time taken;
// j saves the shown frame as a JPEG, v exports the selection as an
// uncompressed AVI (printing "saved=<progress text>").
// Errors the reader reports are printed as "error=<text>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "player/mp4_edit_win.h"
#include "player/mp4_frame_export_win.h"
#include "player/mp4_reader_win.h"
#include "player/win32_recording_file_win.h"

namespace {

constexpr int kCells = 16;

class PrintingHost final : public ReaderHost {
 public:
  std::unique_ptr<RecordingFile> OpenRecording(const std::string& path) override {
    return Win32RecordingFile::Open(path);
  }
  void ShowError(std::string_view text) override {
    std::printf("error=%.*s\n", static_cast<int>(text.size()), text.data());
  }
  std::string AskSaveFile(std::string_view, const char*, std::string_view) override { return savePath; }
  std::string AskOpenFile(std::string_view, const char*, std::string_view) override { return ""; }
  void SetTitle(std::string_view title) override {
    std::printf("title=%.*s\n", static_cast<int>(title.size()), title.data());
  }
  std::string savePath;
};

class UncompressedPlatform final : public AviPlatform {
 public:
  Choice ChooseCompressor(HWND, BITMAPINFOHEADER&, COMPVARS& vars) override {
    vars.fccHandler = comptypeDIB;
    return Choice::Chosen;
  }
  void FreeCompressor(COMPVARS&) override {}
  void ReportError(HWND, const char* text) override { std::printf("error=%s\n", text); }
};

// The decoded-picture outputs, j and v, through the menu's own functions.
void Save(Mp4Reader& reader, PrintingHost& host, char kind, const char* path) {
  host.savePath = path;
  HWND progress = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  UncompressedPlatform platform;
  if (kind == 'j')
    SaveMp4Frame(reader, progress);
  else
    ExportMp4Avi(reader, nullptr, progress, 10, platform, [] { return true; });
  char text[128] = "";
  GetWindowTextA(progress, text, sizeof text);
  DestroyWindow(progress);
  std::printf("saved=%s\n", text);
}

int Counter(const Picture& picture) {
  const int width = picture.Width(), height = picture.Height();
  const int y = height - 1 - 8;  // bottom-up rows: near the top
  int value = 0;
  for (int cell = 0; cell < kCells; ++cell) {
    const int x = (2 * cell + 1) * width / (2 * kCells);
    const uint8_t green = picture.pixels[y * picture.Stride() + x * 3 + 1];
    if (green > 128) value |= 1 << cell;
  }
  return value;
}

void Edit(Mp4Reader& reader, char kind, const std::string& words) {
  const size_t comma = words.find(',');
  const std::string output = words.substr(0, comma);
  const std::string inserted = comma == std::string::npos ? "" : words.substr(comma + 1);
  const EditKind edit = kind == 'x' || kind == 'c' ? EditKind::Extract
                        : kind == 'd'              ? EditKind::Delete
                        : kind == 'i'              ? EditKind::InsertAtStart
                                                   : EditKind::InsertAtEnd;
  const std::optional<Mp4Reader::Widened> widened = reader.WidenedSelection();
  const DWORD start = GetTickCount();
  // c: an extract stopped at its first packet, as the Abort button does.
  const std::string why =
      CutMp4(reader, edit, output, inserted, kind == 'c' ? CopyProgress([](double) { return false; }) : nullptr);
  std::printf("edit=%s from=%.3f to=%.3f ms=%lu\n", why.c_str(), widened ? widened->fromSeconds : -1.0,
              widened ? widened->toSeconds : -1.0, static_cast<unsigned long>(GetTickCount() - start));
}

const char* OutcomeName(FrameOutcome outcome) {
  switch (outcome) {
    case FrameOutcome::kShown:
      return "shown";
    case FrameOutcome::kNoFrame:
      return "none";
    case FrameOutcome::kUndecodable:
      return "undecodable";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  PrintingHost host;
  Mp4Reader reader(host);
  const DWORD start = GetTickCount();
  const bool opened = reader.Open(argv[1]);
  std::printf("open=%d ms=%lu\n", opened ? 1 : 0, static_cast<unsigned long>(GetTickCount() - start));
  if (!opened) return 1;
  for (int i = 2; i < argc; ++i) {
    const char* move = argv[i];
    if (move[0] == 'a' || move[0] == 'b') {
      move[0] == 'a' ? reader.SetSelectionStart() : reader.SetSelectionEnd();
      continue;
    }
    if ((move[0] == 'j' || move[0] == 'v') && move[1] == '=') {
      Save(reader, host, move[0], move + 2);
      continue;
    }
    if (move[0] != '\0' && move[1] == '=') {
      Edit(reader, move[0], move + 2);
      continue;
    }
    ShownFrame shown;
    const DWORD moveStart = GetTickCount();
    FrameOutcome outcome = FrameOutcome::kNoFrame;
    if (move[0] == 'n')
      outcome = reader.Show(FrameMove::kNext, 0.0, shown);
    else if (move[0] == 'p')
      outcome = reader.Show(FrameMove::kPrevious, 0.0, shown);
    else if (move[0] == 's')
      outcome = reader.Show(FrameMove::kAtFraction, std::atof(move + 1), shown);
    const unsigned long ms = GetTickCount() - moveStart;
    std::printf("%s %s counter=%d at=%.4f ms=%lu date=%s\n", move, OutcomeName(outcome),
                outcome == FrameOutcome::kShown ? Counter(shown.picture) : -1,
                static_cast<double>(reader.PositionFraction(false)), ms, shown.date.value_or("").c_str());
  }
  return 0;
}
