#pragma once
// The web folder on disk: "Webserver" beside the program file.

#include <string>
#include <string_view>

#include "web/web_request.h"

// The program's folder followed by "\\Webserver\\"; empty when the program
// path cannot be found.
std::string ProgramWebFolder();

class WebFolderFiles : public WebFileSource {
 public:
  // folder ends with a backslash; the request path is appended unchanged.
  explicit WebFolderFiles(std::string folder) : folder_(std::move(folder)) {}
  // Opens with no sharing, so a file another process holds open counts as
  // unreadable; reads in chunks of at most 4096 bytes.
  bool ReadFile(std::string_view relativePath, std::string& content) override;

 private:
  std::string folder_;
};
