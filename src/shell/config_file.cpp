#include "shell/config_file.h"

#include <algorithm>
#include <cstring>

namespace {

template <typename Record>
size_t WriteRecord(ByteSink& out, const Record& record) {
  return out.Write(reinterpret_cast<const uint8_t*>(&record), sizeof record);
}

// Reads into a scratch copy, so a short read changes only the bytes that
// arrived and leaves the rest of the record as it was.
template <typename Record>
size_t ReadRecord(ByteSource& in, Record& record) {
  uint8_t bytes[sizeof(Record)];
  const size_t got = std::min(in.Read(bytes, sizeof bytes), sizeof bytes);
  std::memcpy(&record, bytes, got);
  return got;
}

// A damaged file may hold texts without their NUL; every field's last byte
// is a NUL in any record the program wrote, so ending each there changes
// nothing else.
void TerminateTexts(WebSettings& web) {
  web.userName[sizeof web.userName - 1] = '\0';
  web.password[sizeof web.password - 1] = '\0';
}

void TerminateTexts(CamSettings& s) {
  for (char* text : {s.overlayText, s.soundFile, s.cameraUrl, s.savePath}) text[kTextSize - 1] = '\0';
  s.overlayFont.faceName[sizeof s.overlayFont.faceName - 1] = '\0';
  s.infoFont.faceName[sizeof s.infoFont.faceName - 1] = '\0';
}

}  // namespace

size_t MemorySource::Read(uint8_t* data, size_t size) {
  const size_t count = std::min(size, bytes_.size() - position_);
  if (count) std::memcpy(data, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

bool WriteConfig(ByteSink& out, const WebSettings& web, const GridLayout& layout,
                 const std::vector<CameraRecords>& cameras, const WebSecurity* security, const AlertServers* servers) {
  size_t written = WriteRecord(out, web);
  written += WriteRecord(out, layout);
  const uint32_t count = static_cast<uint32_t>(cameras.size());
  written += WriteRecord(out, count);
  std::vector<CameraExtension> extras;
  extras.reserve(cameras.size());
  for (const CameraRecords& camera : cameras) {
    written += WriteRecord(out, camera.settings);
    written += WriteRecord(out, camera.grid);
    extras.push_back({camera.extras, camera.identity, camera.second, camera.alerts});
  }
  return written == ConfigFileSize(cameras.size()) && WriteConfigExtension(out, extras, security, servers);
}

bool ReadConfig(ByteSource& in, WebSettings& web, GridLayout& layout, const RebuildForLayout& rebuild,
                ExtensionRead* extension, WebSecurity* security, AlertServers* servers) {
  size_t read = ReadRecord(in, web);
  read += ReadRecord(in, layout);
  TerminateTexts(web);
  RepairGridLayout(layout);
  std::vector<CameraRecords>& cameras = rebuild(layout);
  uint32_t ignoredCount = 0;
  read += ReadRecord(in, ignoredCount);
  for (CameraRecords& camera : cameras) {
    read += ReadRecord(in, camera.settings);
    read += ReadRecord(in, camera.grid);
    TerminateTexts(camera.settings);
  }
  const bool complete = read == ConfigFileSize(cameras.size());
  std::vector<CameraExtension> extras(cameras.size());
  // A short file has no extension: whatever follows would be misread.
  const ExtensionRead how = complete ? ReadConfigExtension(in, extras, security, servers) : ExtensionRead::kAbsent;
  for (size_t k = 0; k < cameras.size(); ++k) {
    cameras[k].extras = extras[k].extras;
    cameras[k].identity = extras[k].identity;
    cameras[k].second = extras[k].second;
    cameras[k].alerts = extras[k].alerts;
  }
  if (extension) *extension = how;
  return complete;
}

std::string ConfigPathFor(std::string_view programPath) {
  const size_t nameStart = programPath.find_last_of("\\/");
  const size_t dot = programPath.find_last_of('.');
  const bool dotInName = dot != std::string_view::npos && (nameStart == std::string_view::npos || dot > nameStart);
  std::string path(programPath.substr(0, dotInName ? dot : programPath.size()));
  return path + ".cfg";
}
