#pragma once
// The configuration file's extension: per-camera settings that came after
// the camera records were fixed (RecordingExtras, CameraIdentity,
// CameraAlerts) and the program-wide ones (WebSecurity, AlertServers).
//
// Form: a trailer after the last camera record, not a second file. Readers
// that predate it already ignore whatever follows the camera records, and
// other tools that write the records alone leave it out, so the records
// stay byte for byte what they were and one file keeps every setting
// together (no second file to lose, copy or mismatch). Layout, integers
// little-endian:
//
//   offset  size  content
//   0       4     "VREX"
//   4       4     version, 4 (1 had the first three fields only; 2 had no
//                 recording format and no program block; 3 had no alerts)
//   8       4     camera count n
//   12      4     record size s, 364 in version 4 (344 in 3, 80 in 2, 12
//                 in 1)
//   16      s*n   one record per camera, in grid order
//   16+s*n  4     CRC-32 (IEEE) of every byte before it
//   20+s*n  4     program block size p, 2932 in version 4 (540 in 3)
//   24+s*n  p     the program-wide web settings (WebSecurity): Use HTTPS,
//                 listen on this computer only, own certificate (int32
//                 each), the certificate's and the key's paths (260 bytes
//                 each, NUL-terminated), redirect plain HTTP and its port
//                 (int32 each); from version 4 at its offset 540 the alert
//                 servers (AlertServers, 2392 bytes as alert_settings.h
//                 lays them out)
//   24+s*n+p 4    CRC-32 of the program block, its size field included
//
// The program block comes after the cameras' checksum, so a reader of
// version 2 finds its cameras as before and ignores the block. A version-2
// file has no block and keeps plain HTTP; a version-3 block that is missing
// or damaged gives the program-wide defaults (HTTPS on). A block without
// the alert servers, missing or damaged gives their defaults. The block,
// too, may only grow at its end.
//
// A record: RecordingExtras (frames before motion, MB and days kept, int32
// each), then, from version 2, CameraIdentity (the camera's name, 64 bytes
// NUL-terminated, and the label flag, int32), from version 3 the recording
// format of an RTSP camera (int32, 1 = as sent in .mp4; older files: 0) and
// the address of its second stream (SecondStream, 260 bytes NUL-terminated;
// records without it: none), from version 4 the camera's alerts
// (CameraAlerts: e-mail, web hook, MQTT, cool-down seconds, only while the
// schedule is on, int32 each; records without them: alerts off, 60 s).
//
// A later version may only grow the record at its end: a reader takes the
// fields it knows from each record and skips the rest. A trailer that is
// missing, cut, fails its checksum or is otherwise implausible gives every
// camera the defaults; the camera records are read before it and are never
// affected by it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/byte_sink.h"
#include "engine/camera_identity.h"
#include "engine/recording_extras.h"
#include "engine/second_stream.h"
#include "events/alert_settings.h"
#include "web/web_settings.h"

class ByteSource;

inline constexpr uint8_t kExtensionMagic[4] = {'V', 'R', 'E', 'X'};
inline constexpr uint32_t kExtensionVersion = 4;
inline constexpr size_t kExtensionHeaderSize = 16;

// One camera's record of the extension.
struct CameraExtension {
  RecordingExtras extras = kDefaultRecordingExtras;
  CameraIdentity identity{};
  SecondStream second{};
  CameraAlerts alerts{};
};
// The first three fields of RecordingExtras, the identity, the format, the
// second stream, the alerts.
inline constexpr size_t kExtrasLimitsSize = 12;
inline constexpr size_t kIdentityRecordEnd = kExtrasLimitsSize + sizeof(CameraIdentity);
inline constexpr size_t kFormatRecordEnd = kIdentityRecordEnd + 4;
inline constexpr size_t kSecondRecordEnd = kFormatRecordEnd + sizeof(SecondStream);
inline constexpr size_t kExtensionRecordSize = kSecondRecordEnd + sizeof(CameraAlerts);
static_assert(kExtensionRecordSize == 364);

inline constexpr size_t kWebBlockSize = 3 * 4 + 2 * 260 + 2 * 4;
inline constexpr size_t kProgramBlockSize = kWebBlockSize + sizeof(AlertServers);
static_assert(sizeof(WebSecurity) == kWebBlockSize && kProgramBlockSize == 2932);
static_assert(offsetof(WebSecurity, certificatePath) == 12 && offsetof(WebSecurity, keyPath) == 272);
static_assert(offsetof(WebSecurity, redirectHttp) == 532 && offsetof(WebSecurity, redirectPort) == 536);

constexpr size_t ConfigExtensionSize(size_t cameras) {
  return kExtensionHeaderSize + kExtensionRecordSize * cameras + 4 + 4 + kProgramBlockSize + 4;
}

// True when every byte went out. Without `security` or `servers` the block
// holds their defaults.
bool WriteConfigExtension(ByteSink& out, const std::vector<CameraExtension>& cameras,
                          const WebSecurity* security = nullptr, const AlertServers* servers = nullptr);

enum class ExtensionRead { kAbsent, kLoaded, kDamaged };

// Reads the trailer into `cameras` (one entry per camera, filled first
// with the defaults of a camera loaded from an older file). Cameras the
// trailer does not cover keep the defaults; every value is brought into
// range. `security` and `servers`, when given, are filled from the program
// block (see the layout for files without one).
ExtensionRead ReadConfigExtension(ByteSource& in, std::vector<CameraExtension>& cameras,
                                  WebSecurity* security = nullptr, AlertServers* servers = nullptr);

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
