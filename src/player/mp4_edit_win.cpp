#include "player/mp4_edit_win.h"

#include <cstring>
#include <vector>

#include "common/fixed_text.h"
#include "player/mp4_copy_win.h"
#include "player/win32_recording_file_win.h"

namespace {

constexpr char kUnableToOpen[] = "Unable to open mp4 file: ";

bool Inserts(EditKind kind) {
  return kind == EditKind::InsertAtStart || kind == EditKind::InsertAtEnd;
}

}  // namespace

std::string CutMp4(const Mp4Reader& reader, EditKind kind, const std::string& output, const std::string& inserted,
                   const CopyProgress& progress) {
  const std::optional<Mp4Reader::Widened> widened = reader.WidenedSelection();
  if (!widened) return "Nothing is selected";
  Mp4Input source;
  std::unique_ptr<RecordingFile> sourceFile = reader.Host().OpenRecording(reader.Path());
  if (!sourceFile) return "Could not open file";
  const std::vector<ReferenceTime> sourceTimes = ReadReferenceTimes(*sourceFile);
  std::string why = source.Open(std::move(sourceFile));
  if (!why.empty()) return kUnableToOpen + why;
  Mp4Input insertion;
  std::vector<ReferenceTime> insertedTimes;
  if (Inserts(kind)) {
    std::unique_ptr<RecordingFile> file = reader.Host().OpenRecording(inserted);
    if (!file) return "Could not open file";
    insertedTimes = ReadReferenceTimes(*file);
    why = insertion.Open(std::move(file));
    if (!why.empty()) return kUnableToOpen + why;
    if (!SameVideo(source, insertion))
      return "The inserted video has another codec, picture size or coding settings; nothing was written";
  }
  const int64_t from = widened->fromDecodeTime, to = widened->toDecodeTime;
  const int64_t start = source.FirstDecodeTime();
  std::vector<PacketSpan> spans;
  switch (kind) {
    case EditKind::Extract:
      spans = {{&source, from, to, &sourceTimes}};
      break;
    case EditKind::Delete:
      spans = {{&source, start, from, &sourceTimes}, {&source, to, INT64_MAX, &sourceTimes}};
      break;
    case EditKind::InsertAtStart:
    case EditKind::InsertAtEnd: {
      const int64_t at = kind == EditKind::InsertAtStart ? from : to;
      spans = {{&source, start, at, &sourceTimes},
               {&insertion, insertion.FirstDecodeTime(), INT64_MAX, &insertedTimes},
               {&source, at, INT64_MAX, &sourceTimes}};
      break;
    }
    case EditKind::SaveFrame:
      return "Not for MP4 recordings";
  }
  std::erase_if(spans, [](const PacketSpan& span) { return span.fromDecodeTime >= span.toDecodeTime; });
  if (spans.empty()) return "Deleting the whole video leaves nothing to write";
  return WritePacketSpans(spans, output, progress);
}

void EditMp4(Mp4Reader& reader, HWND owner, HWND progress, EditKind kind, const std::function<bool()>& keepGoing,
             std::string_view outputName) {
  const std::optional<Mp4Reader::Widened> widened = reader.WidenedSelection();
  if (!widened || kind == EditKind::SaveFrame) return;
  char question[kTextSize];
  FormatText(question, sizeof question,
             "MP4 video is cut on key frames: the selection is widened to whole groups of pictures, from %.2f s "
             "to %.2f s.\nWrite the new video?",
             widened->fromSeconds, widened->toSeconds);
  if (MessageBoxA(owner, question, "Framedeck", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  ReaderHost& host = reader.Host();
  std::string inserted;
  if (Inserts(kind)) {
    inserted = host.AskOpenFile("", kMp4Filter, kMp4Extension);
    if (inserted.empty()) return;
  }
  const std::string output = host.AskSaveFile(outputName, kMp4Filter, kMp4Extension);
  if (output.empty()) return;
  bool overwrites = IsSameFile(static_cast<HANDLE>(reader.NativeHandle()), output);
  if (!inserted.empty())
    if (std::unique_ptr<Win32RecordingFile> file = Win32RecordingFile::Open(inserted))
      overwrites = overwrites || IsSameFile(static_cast<HANDLE>(file->NativeHandle()), output);
  if (overwrites) {
    host.ShowError(kOutputIsSourceMessage);
    return;
  }
  ShowProgress(progress, "Writing output file...");
  // Setting a window's text costs as much as copying a packet under Wine:
  // only a changed text is set.
  char shown[64] = "";
  const std::string why = CutMp4(reader, kind, output, inserted, [&](double done) {
    char text[64];
    FormatText(text, sizeof text, "Writing output file... %.0f%%", done * 100.0);
    if (std::strcmp(text, shown) != 0) {
      ShowProgress(progress, text);
      CopyText(shown, text);
    }
    return keepGoing();
  });
  if (why == kCopyStopped) {
    ShowProgress(progress, kCopyStopped);
    return;
  }
  if (!why.empty()) {
    ShowProgress(progress, "");
    host.ShowError(why);
    return;
  }
  ShowProgress(progress, "Finished writing output file!");
}
