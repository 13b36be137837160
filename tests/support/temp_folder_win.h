#pragma once
// A fresh folder under the temporary path, removed with everything in it
// when the object goes.

#include <string>

class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "vr_test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // A path inside the folder; `relative` uses backslashes.
  std::string At(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

void RemoveTree(const std::string& folder);
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);
