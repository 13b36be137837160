#include "shell/config_extension.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "shell/config_file.h"

namespace {

// Ten by ten cameras at most, and room for records to grow.
constexpr uint32_t kMaxCameras = 100;

constexpr uint32_t kMaxRecordSize = 1024;

void PutU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutI32(std::vector<uint8_t>& bytes, int32_t value) {
  PutU32(bytes, static_cast<uint32_t>(value));
}

int32_t GetI32(const uint8_t* bytes) {
  return static_cast<int32_t>(GetU32(bytes));
}

// The alert records go to the file as they lie in memory, which is their
// file layout on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

template <typename Record>
void PutRecord(std::vector<uint8_t>& bytes, const Record& record) {
  const auto* start = reinterpret_cast<const uint8_t*>(&record);
  bytes.insert(bytes.end(), start, start + sizeof record);
}

template <typename Record>
Record GetRecord(const uint8_t* bytes) {
  Record record;
  std::memcpy(&record, bytes, sizeof record);
  return record;
}

// The block may grow; one far beyond what any version writes is damage.
constexpr uint32_t kMaxProgramBlockSize = 64 * 1024;

void PutProgramBlock(std::vector<uint8_t>& bytes, const WebSecurity& security, const AlertServers& servers) {
  const size_t start = bytes.size();
  PutU32(bytes, kProgramBlockSize);
  PutI32(bytes, security.useHttps);
  PutI32(bytes, security.localOnly);
  PutI32(bytes, security.ownCertificate);
  bytes.insert(bytes.end(), security.certificatePath, security.certificatePath + sizeof security.certificatePath);
  bytes.insert(bytes.end(), security.keyPath, security.keyPath + sizeof security.keyPath);
  PutI32(bytes, security.redirectHttp);
  PutI32(bytes, security.redirectPort);
  PutRecord(bytes, servers);
  PutU32(bytes, Crc32(bytes.data() + start, bytes.size() - start));
}

void CopyPath(char (&path)[260], const uint8_t* bytes) {
  std::memcpy(path, bytes, sizeof path);
  path[sizeof path - 1] = '\0';
}

// Reads the program block of a file from version 3 on into `security` and
// `servers`; false when it is missing or damaged. A block without the
// servers leaves them as they are.
bool ReadProgramBlock(ByteSource& in, WebSecurity& security, AlertServers& servers) {
  uint8_t sizeField[4];
  if (in.Read(sizeField, sizeof sizeField) != sizeof sizeField) return false;
  const uint32_t size = GetU32(sizeField);
  if (size < kWebBlockSize || size > kMaxProgramBlockSize) return false;
  std::vector<uint8_t> bytes(sizeField, sizeField + 4);
  bytes.resize(4 + size + 4);
  if (in.Read(bytes.data() + 4, size + 4) != size + 4) return false;
  if (Crc32(bytes.data(), 4 + size) != GetU32(bytes.data() + 4 + size)) return false;
  const uint8_t* block = bytes.data() + 4;
  security.useHttps = GetI32(block) != 0;
  security.localOnly = GetI32(block + 4) != 0;
  security.ownCertificate = GetI32(block + 8) != 0;
  CopyPath(security.certificatePath, block + 12);
  CopyPath(security.keyPath, block + 12 + 260);
  security.redirectHttp = GetI32(block + 532) != 0;
  const int32_t redirectPort = GetI32(block + 536);
  if (redirectPort >= 1 && redirectPort <= 65535) security.redirectPort = redirectPort;
  if (size >= kProgramBlockSize) servers = ClampAlertServers(GetRecord<AlertServers>(block + kWebBlockSize));
  return true;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

bool WriteConfigExtension(ByteSink& out, const std::vector<CameraExtension>& cameras, const WebSecurity* security,
                          const AlertServers* servers) {
  std::vector<uint8_t> bytes(kExtensionMagic, kExtensionMagic + sizeof kExtensionMagic);
  PutU32(bytes, kExtensionVersion);
  PutU32(bytes, static_cast<uint32_t>(cameras.size()));
  PutU32(bytes, kExtensionRecordSize);
  for (const auto& [extras, identity, second, alerts] : cameras) {
    PutI32(bytes, extras.preMotionFrames);
    PutI32(bytes, extras.keepMegabytes);
    PutI32(bytes, extras.keepDays);
    bytes.insert(bytes.end(), identity.name, identity.name + kCameraNameSize);
    PutI32(bytes, identity.hideLabel);
    PutI32(bytes, extras.recordAsSent);
    bytes.insert(bytes.end(), second.url, second.url + sizeof second.url);
    PutRecord(bytes, alerts);
  }
  PutU32(bytes, Crc32(bytes.data(), bytes.size()));
  PutProgramBlock(bytes, security ? *security : WebSecurity{}, servers ? *servers : AlertServers{});
  return out.Write(bytes.data(), bytes.size()) == bytes.size();
}

ExtensionRead ReadConfigExtension(ByteSource& in, std::vector<CameraExtension>& cameras, WebSecurity* security,
                                  AlertServers* servers) {
  std::fill(cameras.begin(), cameras.end(), CameraExtension{kLoadedRecordingExtras, {}, {}, {}});
  AlertServers unusedServers;
  AlertServers& alertServers = servers ? *servers : unusedServers;
  alertServers = AlertServers{};
  // Files from before the block served plain HTTP and keep doing so.
  WebSecurity unused;
  WebSecurity& web = security ? *security : unused;
  web = WebSecurity{};
  web.useHttps = 0;
  uint8_t header[kExtensionHeaderSize];
  const size_t got = in.Read(header, sizeof header);
  if (got == 0) return ExtensionRead::kAbsent;
  if (got != sizeof header || std::memcmp(header, kExtensionMagic, sizeof kExtensionMagic) != 0)
    return ExtensionRead::kDamaged;
  const uint32_t version = GetU32(header + 4);
  if (version >= 3) web.useHttps = 1;
  const uint32_t count = GetU32(header + 8);
  const uint32_t recordSize = GetU32(header + 12);
  if (version < 1 || count > kMaxCameras || recordSize < kExtrasLimitsSize || recordSize > kMaxRecordSize)
    return ExtensionRead::kDamaged;

  std::vector<uint8_t> bytes(header, header + sizeof header);
  const size_t bodySize = static_cast<size_t>(count) * recordSize + 4;
  bytes.resize(sizeof header + bodySize);
  if (in.Read(bytes.data() + sizeof header, bodySize) != bodySize) return ExtensionRead::kDamaged;
  const size_t checked = bytes.size() - 4;
  if (Crc32(bytes.data(), checked) != GetU32(bytes.data() + checked)) return ExtensionRead::kDamaged;

  for (size_t k = 0; k < std::min<size_t>(count, cameras.size()); ++k) {
    const uint8_t* record = bytes.data() + sizeof header + k * recordSize;
    // Records before version 3 leave the camera recording JPEG pictures.
    const int32_t asSent = recordSize >= kFormatRecordEnd ? GetI32(record + kIdentityRecordEnd) : 0;
    cameras[k].extras = ClampRecordingExtras({GetI32(record), GetI32(record + 4), GetI32(record + 8), asSent});
    if (recordSize >= kSecondRecordEnd) CopyPath(cameras[k].second.url, record + kFormatRecordEnd);
    if (recordSize >= kExtensionRecordSize)
      cameras[k].alerts = ClampCameraAlerts(GetRecord<CameraAlerts>(record + kSecondRecordEnd));
    // Version 1's shorter records leave the camera unnamed.
    if (recordSize < kIdentityRecordEnd) continue;
    const uint8_t* identity = record + kExtrasLimitsSize;
    CameraIdentity& named = cameras[k].identity;
    std::memcpy(named.name, identity, kCameraNameSize);
    named.hideLabel = GetI32(identity + kCameraNameSize);
    named = ClampCameraIdentity(named);
  }
  if (version >= 3 && !ReadProgramBlock(in, web, alertServers)) web = WebSecurity{};
  return ExtensionRead::kLoaded;
}
