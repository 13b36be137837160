#pragma once
// Which camera records to which file, across the cameras' worker threads:
// a camera claims the expanded path of its recording before it writes, so
// a second camera on the same file learns whose it is instead of meeting
// a file it cannot open.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class RecordingClaims {
 public:
  // The one registry of the program's cameras.
  static RecordingClaims& Shared();

  // `owner` (any address that stays the same for one camera) claims `path`
  // under the name `name`, giving up what it held before. Returns "" when
  // the path is its own now, else the name of the camera that holds it.
  std::string Claim(const void* owner, std::string_view path, std::string_view name);
  void Release(const void* owner);

 private:
  struct Entry {
    const void* owner;
    std::string path;
    std::string name;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

// The claim of one camera, released when it goes.
class RecordingClaim {
 public:
  explicit RecordingClaim(RecordingClaims& claims = RecordingClaims::Shared()) : claims_(claims) {}
  ~RecordingClaim() { Release(); }
  RecordingClaim(const RecordingClaim&) = delete;
  RecordingClaim& operator=(const RecordingClaim&) = delete;

  // "" when `path` is this camera's to write, else the other camera's name.
  std::string Take(std::string_view path, std::string_view name) { return claims_.Claim(this, path, name); }
  void Release() { claims_.Release(this); }

 private:
  RecordingClaims& claims_;
};
