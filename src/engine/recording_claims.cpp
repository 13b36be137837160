#include "engine/recording_claims.h"

#include <algorithm>

#include "engine/camera_paths.h"

RecordingClaims& RecordingClaims::Shared() {
  static RecordingClaims claims;
  return claims;
}

std::string RecordingClaims::Claim(const void* owner, std::string_view path, std::string_view name) {
  const std::lock_guard<std::mutex> lock(mutex_);
  auto own =
      std::find_if(entries_.begin(), entries_.end(), [owner](const Entry& entry) { return entry.owner == owner; });
  for (const Entry& entry : entries_) {
    if (entry.owner == owner || !SameRecordingFile(entry.path, path)) continue;
    std::string holder = entry.name;
    // Whatever the owner held before, it no longer writes.
    if (own != entries_.end()) entries_.erase(own);
    return holder;
  }
  if (own == entries_.end()) own = entries_.insert(entries_.end(), Entry{owner, {}, {}});
  own->path.assign(path);
  own->name.assign(name);
  return {};
}

void RecordingClaims::Release(const void* owner) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(entries_, [owner](const Entry& entry) { return entry.owner == owner; });
}
