#pragma once
// The web folder on disk: "Webserver" beside the program file.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "web/web_request.h"

// The program's folder followed by "\\Webserver\\"; empty when the program
// path cannot be found.
std::string ProgramWebFolder();

// Files up to this size are kept in memory between requests.
inline constexpr size_t kCachedWebFileBytes = 64 * 1024;
inline constexpr size_t kCachedWebFiles = 256;

class WebFolderFiles : public WebFileSource {
 public:
  // folder ends with a backslash; the request path is appended unchanged.
  explicit WebFolderFiles(std::string folder) : folder_(std::move(folder)) {}
  // Opens with no sharing, so a file another process holds open counts as
  // unreadable; reads in chunks of at most 4096 bytes. A small file is read
  // again only when its size or last write time has changed since.
  bool ReadFile(std::string_view relativePath, std::string& content) override;

 private:
  struct Cached {
    uint64_t lastWrite = 0;
    uint64_t size = 0;
    std::string content;
  };

  std::string folder_;
  std::unordered_map<std::string, Cached> cache_;
};
