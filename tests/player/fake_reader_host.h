#pragma once
// A reader host for tests: recordings come from memory, choosers answer
// from a script and errors are recorded instead of shown.

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/reader_host.h"

// Shares one growing buffer between the test and the reader, and notes how
// many bytes each read asked for.
class SharedMemoryFile final : public RecordingFile {
 public:
  SharedMemoryFile(std::shared_ptr<MemoryRecordingFile> file, std::vector<size_t>& readCounts)
      : file_(std::move(file)), readCounts_(readCounts) {}
  int64_t Size() override { return file_->Size(); }
  size_t ReadAt(int64_t offset, uint8_t* buffer, size_t count) override {
    readCounts_.push_back(count);
    return file_->ReadAt(offset, buffer, count);
  }

 private:
  std::shared_ptr<MemoryRecordingFile> file_;
  std::vector<size_t>& readCounts_;
};

struct ChooserCall {
  std::string defaultName;
  std::string filter;  // the whole list, NULs included
  std::string extension;
};

class FakeReaderHost : public ReaderHost {
 public:
  std::shared_ptr<MemoryRecordingFile> Add(const std::string& path, std::vector<uint8_t> bytes) {
    auto file = std::make_shared<MemoryRecordingFile>(std::move(bytes));
    files[path] = file;
    return file;
  }
  std::unique_ptr<RecordingFile> OpenRecording(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return nullptr;
    return std::make_unique<SharedMemoryFile>(it->second, readCounts);
  }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::string AskSaveFile(std::string_view name, const char* filter, std::string_view ext) override {
    saveCalls.push_back({std::string(name), FilterText(filter), std::string(ext)});
    return Next(saveAnswers);
  }
  std::string AskOpenFile(std::string_view name, const char* filter, std::string_view ext) override {
    openCalls.push_back({std::string(name), FilterText(filter), std::string(ext)});
    return Next(openAnswers);
  }
  void SetTitle(std::string_view text) override { titles.emplace_back(text); }

  static std::string FilterText(const char* filter) {
    size_t length = 0;
    while (filter[length] || filter[length + 1]) ++length;
    return std::string(filter, length + 2);
  }

  std::map<std::string, std::shared_ptr<MemoryRecordingFile>> files;
  std::deque<std::string> saveAnswers;
  std::deque<std::string> openAnswers;
  std::vector<ChooserCall> saveCalls;
  std::vector<ChooserCall> openCalls;
  std::vector<std::string> errors;
  std::vector<std::string> titles;
  std::vector<size_t> readCounts;  // of every file opened, in order

 private:
  static std::string Next(std::deque<std::string>& answers) {
    if (answers.empty()) return "";
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
};
