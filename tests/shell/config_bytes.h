#pragma once
// Configuration file bytes built from the file format's tables, offset by
// offset, independently of the structs the program writes them from.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shell/config_extension.h"

class ConfigBytes {
 public:
  ConfigBytes& Int(size_t offset, int32_t value) {
    Grow(offset + 4);
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return *this;
  }
  ConfigBytes& Byte(size_t offset, uint8_t value) {
    Grow(offset + 1);
    bytes_[offset] = value;
    return *this;
  }
  ConfigBytes& Double(size_t offset, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Grow(offset + 8);
    for (int i = 0; i < 8; ++i) bytes_[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
    return *this;
  }
  ConfigBytes& Text(size_t offset, const std::string& text) {
    Grow(offset + text.size() + 1);
    std::memcpy(bytes_.data() + offset, text.data(), text.size());
    bytes_[offset + text.size()] = 0;
    return *this;
  }
  ConfigBytes& Zeros(size_t count) {
    bytes_.resize(bytes_.size() + count, 0);
    return *this;
  }
  size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

  // The fresh program's web settings: login required, port 80.
  ConfigBytes& DefaultWeb() {
    Zeros(532);
    return Int(4, 1).Int(8, 80);
  }
  ConfigBytes& Layout(int32_t spacing, int32_t columns, int32_t rows, double aspect) {
    const size_t at = Size();
    Zeros(24);
    return Int(at, spacing).Int(at + 4, columns).Int(at + 8, rows).Double(at + 16, aspect);
  }
  ConfigBytes& Count(uint32_t count) {
    const size_t at = Size();
    Zeros(4);
    return Int(at, static_cast<int32_t>(count));
  }
  // The extension trailer: "VREX", version 4, count, record size 364, per
  // camera frames before motion, MB and days, a 64-byte name, the label
  // flag (0), the recording format, the 260-byte second stream address and
  // the default alerts, then the CRC-32 of all that, then the program block.
  // Version 3 has no alerts, in records of 344 bytes; version 2 also neither
  // the format nor the address, in records of 80 bytes, and no block.
  ConfigBytes& Extension(const std::vector<std::array<int32_t, 3>>& cameras, const std::vector<std::string>& names = {},
                         const std::vector<int32_t>& asSent = {}, int32_t version = 4, int32_t https = 1,
                         const std::vector<std::string>& seconds = {}) {
    const size_t at = Size();
    for (char c : std::string("VREX")) Byte(Size(), static_cast<uint8_t>(c));
    const int32_t recordSize = version == 2 ? 80 : version == 3 ? 344 : 364;
    Int(Size(), version).Int(Size(), static_cast<int32_t>(cameras.size())).Int(Size(), recordSize);
    for (size_t k = 0; k < cameras.size(); ++k) {
      for (int32_t value : cameras[k]) Int(Size(), value);
      const size_t name = Size();
      Zeros(64);
      if (k < names.size()) Text(name, names[k]);
      Int(Size(), 0);
      if (version == 2) continue;
      Int(Size(), k < asSent.size() ? asSent[k] : 0);
      const size_t second = Size();
      Zeros(260);
      if (k < seconds.size()) Text(second, seconds[k]);
      if (version >= 4) Zeros(12).Int(Size(), 60).Int(Size(), 0);
    }
    Int(Size(), static_cast<int32_t>(Crc32(bytes_.data() + at, Size() - at)));
    return version >= 3 ? ProgramBlock(https, 0, 0, "", "", 0, 80, version) : *this;
  }
  // The program block: its size (2932; 540 in version 3), Use HTTPS, this
  // computer only and own certificate, two 260-byte paths, redirect and its
  // port, from version 4 the default alert servers, then the CRC-32 of all.
  ConfigBytes& ProgramBlock(int32_t https, int32_t localOnly, int32_t own, const std::string& certificate,
                            const std::string& key, int32_t redirect = 0, int32_t redirectPort = 80,
                            int32_t version = 4) {
    const size_t at = Size();
    Int(Size(), version >= 4 ? 2932 : 540).Int(Size(), https).Int(Size(), localOnly).Int(Size(), own);
    Zeros(520);
    Text(at + 16, certificate).Text(at + 16 + 260, key).Int(Size(), redirect).Int(Size(), redirectPort);
    if (version >= 4) {
      const size_t servers = Size();
      Zeros(2392).Int(servers + 256, 587).Int(servers + 260, 1).Int(servers + 1800, 1883);
      Text(servers + 2064, "vorrandale").Int(servers + 2388, 100000);
    }
    return Int(Size(), static_cast<int32_t>(Crc32(bytes_.data() + at, Size() - at)));
  }
  // Cuts the last `count` bytes.
  ConfigBytes& Drop(size_t count) {
    bytes_.resize(bytes_.size() - count);
    return *this;
  }
  // The extension a program writes for cameras without extras, new ones
  // recording as sent or loaded ones recording JPEG pictures. `https` 0: the
  // block of a file that came without one.
  ConfigBytes& DefaultExtension(size_t cameras, int32_t asSent, int32_t https = 1) {
    return Extension(std::vector<std::array<int32_t, 3>>(cameras), {}, std::vector<int32_t>(cameras, asSent), 4, https);
  }
  // A new camera's settings followed by a grid with every cell watched.
  ConfigBytes& DefaultCamera() {
    const size_t at = Size();
    Zeros(1364 + 625);
    Int(at + 12, 75).Text(at + 24, " %a %m/%d/%y (%I:%M:%S %p) ").Int(at + 284, 1);
    Font(at + 288);
    Int(at + 348, 0).Int(at + 352, 0xC8C8C8).Int(at + 356, 100);
    Int(at + 364, 1).Int(at + 368, 1).Int(at + 380, 20).Int(at + 384, 5);
    Int(at + 388, 0x0000FF).Int(at + 392, 0).Int(at + 396, 0xC8C8C8).Int(at + 400, 100).Int(at + 404, 100);
    Int(at + 408, 9);
    Font(at + 412);
    Text(at + 472, "motion.wav").Text(at + 748, "http://");
    Int(at + 1088, 1000).Text(at + 1092, "C:\\Cameras\\%B\\%d\\myfile.mjpg");
    return Int(at + 1352, 1).Int(at + 1356, 1).Int(at + 1360, 100);
  }

 private:
  void Font(size_t at) {
    Int(at, -13).Int(at + 16, 400);
    const uint8_t bytes[8] = {0, 0, 0, 0, 1, 2, 1, 0x22};
    for (size_t i = 0; i < 8; ++i) Byte(at + 20 + i, bytes[i]);
    Text(at + 28, "MS Sans Serif");
  }
  void Grow(size_t size) {
    if (bytes_.size() < size) bytes_.resize(size, 0);
  }
  std::vector<uint8_t> bytes_;
};

// A whole file: default web settings, the layout, the count field and
// `cameras` default camera records.
inline ConfigBytes DefaultConfigBytes(int32_t columns, int32_t rows, uint32_t countField, size_t cameras) {
  ConfigBytes bytes;
  bytes.DefaultWeb().Layout(5, columns, rows, 0.75).Count(countField);
  for (size_t i = 0; i < cameras; ++i) bytes.DefaultCamera();
  return bytes;
}

// Offset of camera k's record in a file.
inline size_t CameraOffset(size_t k) {
  return 560 + 1989 * k;
}
