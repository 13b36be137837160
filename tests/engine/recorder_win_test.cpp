#include "engine/recorder_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"
#include "common/jpeg_codec.h"
#include "common/recording_format.h"
#include "support/settable_clock.h"
#include "support/temp_folder_win.h"
#include "support/test_pictures.h"

namespace {

class CountingAlarm final : public AlarmSound {
 public:
  void Play() override { ++plays; }
  int plays = 0;
};

// Writes through to the file but only `room` bytes in all, as a disk that
// fills up, and nothing at all while `full` says so.
class FillingDisk {
 public:
  size_t room = SIZE_MAX;
  std::function<bool()> full;
  std::unique_ptr<ByteSink> Open(HANDLE file) { return std::make_unique<Sink>(file, full && full() ? zero_ : room); }

 private:
  class Sink final : public ByteSink {
   public:
    Sink(HANDLE file, size_t& room) : file_(file), room_(room) {}
    size_t Write(const uint8_t* data, size_t size) override {
      const size_t take = size < room_ ? size : room_;
      DWORD written = 0;
      if (take) WriteFile(file_, data, static_cast<DWORD>(take), &written, nullptr);
      room_ -= written;
      return written;
    }

   private:
    HANDLE file_;
    size_t& room_;
  };
  size_t zero_ = 0;
};

// Gives a file a last-write time in the clock's seconds.
void SetWriteTime(const std::string& path, std::time_t seconds) {
  ScopedKernelHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  const uint64_t ticks = static_cast<uint64_t>(seconds) * 10000000 + 116444736000000000ull;
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &time)) << path;
}

using Names = std::vector<std::string>;

// The files under `folder` (named relative to it) that a handle holds open
// for reading, writing or deleting, as a user moving them away would find:
// an open that shares nothing fails on them with a sharing violation. A file
// that cannot be opened for another reason is listed with its error.
Names HeldFiles(const std::string& folder, const std::string& relative = "") {
  Names held;
  WIN32_FIND_DATAA entry;
  ScopedFindHandle find(FindFirstFileA((folder + "\\" + relative + "*").c_str(), &entry));
  if (!find) return held;
  do {
    const std::string name = relative + entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (std::string_view(entry.cFileName) == "." || std::string_view(entry.cFileName) == "..") continue;
      const Names inside = HeldFiles(folder, name + "\\");
      held.insert(held.end(), inside.begin(), inside.end());
      continue;
    }
    ScopedKernelHandle alone(CreateFileA((folder + "\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (alone) continue;
    const DWORD error = GetLastError();
    held.push_back(error == ERROR_SHARING_VIOLATION ? name : name + " (error " + std::to_string(error) + ")");
  } while (FindNextFileA(find.Get(), &entry));
  return held;
}

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() : clock_(2026, 12, 7, 10, 0, 0) {
    settings_ = DefaultCamSettings();
    settings_.recordEnabled = 1;
    UsePath("rec\\cam.mjpg");
  }

  Recorder& MakeRecorder() {
    Recorder::Services services;
    services.clock = &clock_;
    services.alarm = &alarm_;
    services.burnOverlay = [this](Picture& picture, const CamSettings&) {
      ++burns_;
      if (throwInOverlay_) throw std::runtime_error("overlay");
      picture.pixels.assign(picture.pixels.size(), 0xFF);
    };
    services.openSink = [this](HANDLE file) { return disk_.Open(file); };
    recorder_ = std::make_unique<Recorder>(std::move(services));
    recorder_->shellOpen = [this](const char* path) { opened_.push_back(path); };
    return *recorder_;
  }

  void UsePath(const std::string& relative) { CopyText(settings_.savePath, folder_.At(relative)); }

  void Save(int32_t level = 0) {
    if (!recorder_) MakeRecorder();
    Picture picture = SmoothPicture(64, 48);
    recorder_->SaveFrame(picture, level, settings_);
    clock_.Advance(1);
  }

  std::vector<std::vector<uint8_t>> Frames(const std::string& relative) const {
    return SplitFrames(ReadWholeFile(folder_.At(relative)));
  }
  Names Held() const { return HeldFiles(folder_.Path()); }
  // What "View current footage" opens now.
  std::string Footage() {
    opened_.clear();
    recorder_->OpenCurrentFootage(settings_);
    return opened_.empty() ? "" : opened_.back();
  }

  TempFolder folder_{"vr_recorder"};
  SettableClock clock_;
  CountingAlarm alarm_;
  FillingDisk disk_;
  CamSettings settings_;
  std::unique_ptr<Recorder> recorder_;
  std::vector<std::string> opened_;
  int burns_ = 0;
  bool throwInOverlay_ = false;
};

TEST_F(RecorderTest, RecordingIsAppendedFrameByFrameWithTheClocksTime) {
  for (int i = 0; i < 4; ++i) Save();
  EXPECT_STREQ(recorder_->StatusText(), "");
  EXPECT_EQ(Held(), Names{"rec\\cam.mjpg"});
  EXPECT_EQ(Footage(), folder_.At("rec\\cam.mjpg"));
  const auto frames = Frames("rec\\cam.mjpg");
  ASSERT_EQ(frames.size(), 4u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(ReadTimestamp(frames[i].data(), frames[i].size()), std::to_string(clock_.Now() - 4 + i));
    Picture decoded;
    EXPECT_TRUE(DecodeJpeg(frames[i].data(), frames[i].size(), decoded));
    EXPECT_EQ(decoded.Width(), 64);
  }
  // Another recorder (a restart) appends to the same file.
  MakeRecorder();
  Save();
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 5u);
}

TEST_F(RecorderTest, ASecondCameraOnTheSameFileNamesTheFirstAndRecordsOnceItIsFree) {
  MakeRecorder().SetCameraName(1, "Door");
  Save();
  std::unique_ptr<Recorder> first = std::move(recorder_);
  MakeRecorder().SetCameraName(2, "");
  for (const char* status : {"Door already records to this file", ""}) {
    Save();
    EXPECT_STREQ(recorder_->StatusText(), status);
    EXPECT_EQ(recorder_->RecordedLastFrame(), !*status);
    EXPECT_EQ(Frames("rec\\cam.mjpg").size(), *status ? 1u : 2u);
    first.reset();
  }
}

TEST_F(RecorderTest, MotionRecordsTheMotionFrameAndTheNextSaveCount) {
  settings_.motionEnabled = 1;
  settings_.saveCount = 5;
  const int32_t quiet = 3, moving = 40;
  Save(quiet);
  EXPECT_FALSE(IsFile(folder_.At("rec\\cam.mjpg")));
  Save(moving);
  for (int i = 0; i < 5; ++i) Save(quiet);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 6u);
  Save(quiet);
  Save(quiet);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 6u);
  EXPECT_EQ(Held(), Names{"rec\\cam.mjpg"}) << "waiting for motion leaves the file open";

  // Motion during the countdown restarts it.
  Save(moving);
  Save(quiet);
  Save(quiet);
  Save(moving);
  for (int i = 0; i < 5; ++i) Save(quiet);
  Save(quiet);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 6u + 9u);
  // A level equal to the trigger is no motion.
  Save(settings_.triggerLevel);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 15u);
}

TEST_F(RecorderTest, AlarmPlaysOncePerMotionEpisode) {
  settings_.motionEnabled = 1;
  settings_.motionSound = 1;
  Save(50);
  Save(60);
  Save(70);
  EXPECT_EQ(alarm_.plays, 1);
  Save(0);
  Save(50);
  EXPECT_EQ(alarm_.plays, 2);
}

TEST_F(RecorderTest, ScheduleDayTestKeepsTheFileOpenAndTheWindowClosesIt) {
  // 2026-12-07 is a Monday (bit 2); the window is 08:00:00 to 17:00:00.
  settings_.scheduleFlags = 1 | 1 << 2;
  settings_.scheduleStart[2] = 8 * 3600;
  settings_.scheduleStop[2] = 17 * 3600;
  Save();
  ASSERT_EQ(Held(), Names{"rec\\cam.mjpg"});

  settings_.scheduleFlags = 1 | 1 << 3;  // Tuesday only: today does not qualify
  Save();
  EXPECT_EQ(Held(), Names{"rec\\cam.mjpg"});
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 1u);

  settings_.scheduleFlags = 1 | 1 << 2;
  clock_.Set(2026, 12, 7, 17, 0, 0);
  Save();
  EXPECT_EQ(Held(), Names{"rec\\cam.mjpg"});
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 2u);
  clock_.Set(2026, 12, 7, 17, 0, 1);
  Save();
  EXPECT_EQ(Held(), Names{});
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 2u);
}

TEST_F(RecorderTest, SwitchingRecordingOffClosesTheFile) {
  Save();
  ASSERT_EQ(Held(), Names{"rec\\cam.mjpg"});
  settings_.recordEnabled = 0;
  Save();
  EXPECT_EQ(Held(), Names{});
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 1u);
}

TEST_F(RecorderTest, OverlayIsBurntOnlyWhenBothFlagsAreSetAndOnlyIntoRecordedFrames) {
  settings_.overlayEnabled = 1;
  Save();
  EXPECT_EQ(burns_, 0);
  settings_.overlayOnFile = 1;
  Save();
  EXPECT_EQ(burns_, 1);
  settings_.recordEnabled = 0;
  Save();
  EXPECT_EQ(burns_, 1);
  const auto frames = Frames("rec\\cam.mjpg");
  ASSERT_EQ(frames.size(), 2u);
  Picture plain, burnt;
  ASSERT_TRUE(DecodeJpeg(frames[0].data(), frames[0].size(), plain));
  ASSERT_TRUE(DecodeJpeg(frames[1].data(), frames[1].size(), burnt));
  EXPECT_LT(PixelAt(plain, 0, 0)[1], 40);
  EXPECT_GT(PixelAt(burnt, 0, 0)[1], 240);
}

TEST_F(RecorderTest, NewFolderClosesTheFileAndIsCleanedOnlyWithCleanDirectory) {
  settings_.cleanDirectory = 1;
  // One folder per weekday, as the template "...\\%A\\cam.mjpg" gives.
  UsePath("%A\\cam.mjpg");
  CreateDirectoryA(folder_.At("Tuesday").c_str(), nullptr);
  WriteWholeFile(folder_.At("Tuesday\\cam.mjpg"), {0xFF, 0xD8, 0xFF, 0xD9});
  WriteWholeFile(folder_.At("Tuesday\\old.jpg"), {1});
  WriteWholeFile(folder_.At("Tuesday\\notes.txt"), {2});
  clock_.Set(2026, 12, 7, 23, 59, 59);
  Save();
  ASSERT_TRUE(IsFile(folder_.At("Monday\\cam.mjpg")));
  clock_.Set(2026, 12, 8, 0, 0, 0);
  Save();
  EXPECT_FALSE(IsFile(folder_.At("Tuesday\\old.jpg")));
  EXPECT_TRUE(IsFile(folder_.At("Tuesday\\notes.txt")));
  EXPECT_EQ(Frames("Tuesday\\cam.mjpg").size(), 1u) << "the old recording was deleted, a new one started";
  EXPECT_EQ(Frames("Monday\\cam.mjpg").size(), 1u);
  // The Monday file is closed: it can be removed now.
  EXPECT_TRUE(DeleteFileA(folder_.At("Monday\\cam.mjpg").c_str()));

  // Without cleaning, the old recording in the new folder is appended to.
  settings_.cleanDirectory = 0;
  CreateDirectoryA(folder_.At("Wednesday").c_str(), nullptr);
  WriteWholeFile(folder_.At("Wednesday\\cam.mjpg"), ReadWholeFile(folder_.At("Tuesday\\cam.mjpg")));
  WriteWholeFile(folder_.At("Wednesday\\old.jpg"), {1});
  clock_.Set(2026, 12, 9, 0, 0, 0);
  Save();
  EXPECT_TRUE(IsFile(folder_.At("Wednesday\\old.jpg")));
  EXPECT_EQ(Frames("Wednesday\\cam.mjpg").size(), 2u);
}

TEST_F(RecorderTest, ChangingFileNameNeverCleans) {
  settings_.cleanDirectory = 1;
  UsePath("same\\cam_%H%M%S.mjpg");
  Save();
  Save();
  Save();
  WIN32_FIND_DATAA entry;
  ScopedFindHandle find(FindFirstFileA(folder_.At("same\\*.mjpg").c_str(), &entry));
  int files = 0;
  if (find) do
      ++files;
    while (FindNextFileA(find.Get(), &entry));
  EXPECT_EQ(files, 3);
}

TEST_F(RecorderTest, NumberedPicturesRunRoundTheRange) {
  settings_.saveAsMjpeg = 0;
  settings_.maxJpegCount = 3;
  UsePath("pics\\image_.jpg");
  // The number of the picture that holds the last save's time; -1: none.
  auto writtenLast = [this] {
    for (int number = 0; number <= 3; ++number) {
      const std::string name = "pics\\image_" + std::to_string(number) + ".jpg";
      if (!IsFile(folder_.At(name))) continue;
      const auto frames = Frames(name);
      if (!frames.empty() && ReadTimestamp(frames[0].data(), frames[0].size()) == std::to_string(clock_.Now() - 1))
        return number;
    }
    return -1;
  };
  std::vector<int> numbers;
  for (int i = 0; i < 5; ++i) {
    Save();
    EXPECT_EQ(Held(), Names{});
    numbers.push_back(writtenLast());
  }
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 1, 2}));
  for (const char* name : {"pics\\image_1.jpg", "pics\\image_2.jpg", "pics\\image_3.jpg"}) {
    const auto frames = Frames(name);
    ASSERT_EQ(frames.size(), 1u) << name;
    EXPECT_EQ(frames[0].size(), ReadWholeFile(folder_.At(name)).size()) << "exactly one frame in " << name;
  }
  // Number 1 was written twice: it holds the fourth picture's time.
  const auto first = Frames("pics\\image_1.jpg");
  EXPECT_EQ(ReadTimestamp(first[0].data(), first[0].size()), std::to_string(clock_.Now() - 2));
  EXPECT_FALSE(IsFile(folder_.At("pics\\image_0.jpg")));
}

TEST_F(RecorderTest, FailuresShowTheirStatusUntilASaveSucceeds) {
  // A file where a folder should be.
  WriteWholeFile(folder_.At("blocked"), {1});
  UsePath("blocked\\sub\\cam.mjpg");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Failed to create save directory");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Failed to create save directory");

  // A folder where the recording should be.
  CreateDirectoryA(folder_.At("taken").c_str(), nullptr);
  CreateDirectoryA(folder_.At("taken\\cam.mjpg").c_str(), nullptr);
  UsePath("taken\\cam.mjpg");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Failed to access mjpeg file for writing");
  EXPECT_EQ(Held(), Names{});

  settings_.saveAsMjpeg = 0;
  UsePath("noext\\picture");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "No file extension found");
  CreateDirectoryA(folder_.At("taken\\p0.jpg").c_str(), nullptr);
  settings_.maxJpegCount = 1;
  UsePath("taken\\p.jpg");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Failed to access jpeg file for writing");

  settings_.saveAsMjpeg = 1;
  UsePath("fine\\cam.mjpg");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "");
}

TEST_F(RecorderTest, ShortWriteIsCutBackToTheLastWholeFrameAndRecordingResumes) {
  Save();
  const std::vector<uint8_t> first = ReadWholeFile(folder_.At("rec\\cam.mjpg"));
  // Short inside the picture, and short inside the timestamp segment.
  for (size_t room : {size_t{100}, size_t{3}}) {
    disk_.room = room;
    Save();
    EXPECT_STREQ(recorder_->StatusText(), "File write failed, disk may be full");
    EXPECT_EQ(Held(), Names{});
    EXPECT_EQ(ReadWholeFile(folder_.At("rec\\cam.mjpg")), first) << "no partial frame stays after " << room;
  }
  disk_.room = SIZE_MAX;
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "");
  const std::vector<uint8_t> bytes = ReadWholeFile(folder_.At("rec\\cam.mjpg"));
  const auto frames = SplitFrames(bytes);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].size() + frames[1].size(), bytes.size()) << "whole frames back to back, nothing else";
  EXPECT_EQ(bytes[first.size()], 0xFF);
  EXPECT_EQ(bytes[first.size() + 1], 0xD8);
  EXPECT_EQ(ReadTimestamp(frames[1].data(), frames[1].size()), std::to_string(clock_.Now() - 1));

  // A numbered picture cut short holds no frame at all: it goes.
  settings_.saveAsMjpeg = 0;
  settings_.maxJpegCount = 1;
  UsePath("pics\\p.jpg");
  disk_.room = 50;
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "File write failed, disk may be full");
  EXPECT_FALSE(IsFile(folder_.At("pics\\p0.jpg")));
  disk_.room = SIZE_MAX;
  Save();
  EXPECT_EQ(Frames("pics\\p0.jpg").size(), 1u);
}

TEST_F(RecorderTest, ExceptionWhileSavingClosesTheFile) {
  Save();
  ASSERT_EQ(Held(), Names{"rec\\cam.mjpg"});
  settings_.overlayEnabled = settings_.overlayOnFile = 1;
  throwInOverlay_ = true;
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Unknown file save exception occured!");
  EXPECT_EQ(Held(), Names{});
}

TEST_F(RecorderTest, TemplateTooLongForThePathSavesNothing) {
  Save();
  std::string longTemplate = folder_.At("rec\\");
  while (longTemplate.size() < 250) longTemplate += "%A";
  CopyText(settings_.savePath, longTemplate + ".mjpg");
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Save path too long after expansion");
  EXPECT_EQ(Held(), Names{});
  EXPECT_EQ(Footage(), folder_.At("rec\\cam.mjpg"));
}

TEST_F(RecorderTest, ViewFootageOpensTheRecordingOrThePicturesFolder) {
  MakeRecorder();
  recorder_->OpenCurrentFootage(settings_);
  EXPECT_TRUE(opened_.empty());
  Save();
  recorder_->OpenCurrentFootage(settings_);
  settings_.saveAsMjpeg = 0;
  recorder_->OpenCurrentFootage(settings_);
  EXPECT_EQ(opened_, (std::vector<std::string>{folder_.At("rec\\cam.mjpg"), folder_.At("rec")}));
  recorder_->ForgetPath();
  recorder_->OpenCurrentFootage(settings_);
  EXPECT_EQ(opened_.size(), 2u);
}

std::vector<std::string> Stamps(const std::vector<std::vector<uint8_t>>& frames) {
  std::vector<std::string> stamps;
  for (const auto& frame : frames) stamps.push_back(ReadTimestamp(frame.data(), frame.size()).value_or("none"));
  return stamps;
}

TEST_F(RecorderTest, FramesBeforeMotionAreRecordedFirstWithTheirOwnTimes) {
  settings_.motionEnabled = 1;
  settings_.saveCount = 2;
  const int32_t quiet = 3, moving = 40;
  MakeRecorder().SetExtras({3, 0, 0});
  const std::time_t start = clock_.Now();
  for (int i = 0; i < 5; ++i) Save(quiet);
  EXPECT_FALSE(IsFile(folder_.At("rec\\cam.mjpg"))) << "kept frames are not written while waiting";
  Save(moving);
  for (int i = 0; i < 4; ++i) Save(quiet);
  auto stamp = [&](int second) { return std::to_string(start + second); };
  // Three kept (seconds 2 to 4), the motion frame (5), two of countdown.
  EXPECT_EQ(Stamps(Frames("rec\\cam.mjpg")),
            (std::vector<std::string>{stamp(2), stamp(3), stamp(4), stamp(5), stamp(6), stamp(7)}));
  // Seconds 8 and 9 waited again; motion at 10 during no countdown.
  Save(moving);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 6u + 3u);

  auto countDown = [&] {
    Save(quiet);
    Save(quiet);
  };
  countDown();
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 11u);

  // New settings, or a new source, drop what was kept.
  for (int i = 0; i < 3; ++i) Save(quiet);
  recorder_->ForgetPath();
  Save(moving);
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 12u);
  countDown();
  for (int i = 0; i < 4; ++i) Save(quiet);
  recorder_->DropPreMotionFrames();
  Save(moving);
  countDown();
  EXPECT_EQ(Frames("rec\\cam.mjpg").size(), 17u);

  // Numbered pictures: the kept frames take the first numbers, in order.
  settings_.saveAsMjpeg = 0;
  settings_.maxJpegCount = 10;
  UsePath("pics\\p.jpg");
  recorder_->SetExtras({2, 0, 0});
  const std::time_t numbered = clock_.Now();
  for (int i = 0; i < 4; ++i) Save(quiet);
  Save(moving);
  for (int i = 1; i <= 3; ++i) {
    const auto frames = Frames("pics\\p" + std::to_string(i) + ".jpg");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(ReadTimestamp(frames[0].data(), frames[0].size()), std::to_string(numbered + 1 + i)) << i;
  }
}

class RecorderLimitTest : public RecorderTest {
 protected:
  RecorderLimitTest() {
    UsePath("lim\\%d\\cam.mjpg");  // the 7th: lim\07\cam.mjpg
    CreateDirectoryA(folder_.At("lim").c_str(), nullptr);
  }
  // A recording of `kilobytes` KB written `daysAgo` days before the clock.
  void Place(const std::string& relative, size_t kilobytes, int daysAgo) {
    std::string folder = folder_.Path();
    for (size_t at = relative.find('\\'); at != std::string::npos; at = relative.find('\\', at + 1))
      CreateDirectoryA((folder + "\\" + relative.substr(0, at)).c_str(), nullptr);
    WriteWholeFile(folder_.At(relative), std::vector<uint8_t>(kilobytes * 1024, 0x55));
    SetWriteTime(folder_.At(relative), clock_.Now() - daysAgo * 86400);
  }
};

TEST_F(RecorderLimitTest, SizeLimitDeletesTheOldestAndTheFoldersItEmptiesOnly) {
  Place("lim\\01\\cam.mjpg", 600, 9);
  Place("lim\\02\\cam.mjpg", 600, 8);
  Place("lim\\03\\cam.mjpg", 600, 7);
  Place("lim\\03\\notes.txt", 1, 20);
  Place("lim\\04\\cam.mjpg", 600, 6);
  // Beside the fixed part, older than everything: never touched.
  Place("beside.mjpg", 900, 30);
  Place("lim2\\e.mjpg", 900, 30);
  Place("lim\\..\\lim3\\f.mjpg", 900, 30);
  settings_.motionEnabled = 0;
  MakeRecorder().SetExtras({0, 1, 0});
  Save();  // a new file: a pass at once
  EXPECT_STREQ(recorder_->StatusText(), "");
  EXPECT_FALSE(IsFile(folder_.At("lim\\01\\cam.mjpg")));
  EXPECT_FALSE(IsFolder(folder_.At("lim\\01")));
  EXPECT_FALSE(IsFolder(folder_.At("lim\\02"))) << "emptied folders go, up to the fixed part";
  EXPECT_FALSE(IsFile(folder_.At("lim\\03\\cam.mjpg")));
  EXPECT_TRUE(IsFile(folder_.At("lim\\03\\notes.txt")));
  EXPECT_TRUE(IsFile(folder_.At("lim\\04\\cam.mjpg"))) << "600 KB and the new recording fit in 1 MB";
  EXPECT_TRUE(IsFile(folder_.At("lim\\07\\cam.mjpg")));
  for (const char* kept : {"beside.mjpg", "lim2\\e.mjpg", "lim3\\f.mjpg"})
    EXPECT_TRUE(IsFile(folder_.At(kept))) << kept;

  // Within the minute nothing more is looked at; after it, the next pass.
  Place("lim\\05\\cam.mjpg", 600, 5);
  Save();
  EXPECT_TRUE(IsFile(folder_.At("lim\\05\\cam.mjpg")));
  clock_.Advance(60);
  Save();
  EXPECT_FALSE(IsFile(folder_.At("lim\\04\\cam.mjpg")));
  EXPECT_TRUE(IsFile(folder_.At("lim\\05\\cam.mjpg")));
  EXPECT_TRUE(IsFolder(folder_.At("lim"))) << "the fixed part itself stays";

  // A clock put back does not hold the next pass off.
  Place("lim\\06\\cam.mjpg", 600, 4);
  clock_.Advance(-3600);
  Save();
  EXPECT_FALSE(IsFile(folder_.At("lim\\05\\cam.mjpg")));
  EXPECT_TRUE(IsFile(folder_.At("lim\\06\\cam.mjpg")));
}

TEST_F(RecorderLimitTest, CurrentFileIsNeverDeletedAndAnUnmetLimitIsShown) {
  // The recording the template names is the oldest and alone over the limit.
  Place("lim\\07\\cam.mjpg", 1500, 40);
  Place("lim\\06\\cam.mjpg", 10, 30);
  MakeRecorder().SetExtras({0, 1, 0});
  Save();
  EXPECT_TRUE(IsFile(folder_.At("lim\\07\\cam.mjpg")));
  EXPECT_FALSE(IsFile(folder_.At("lim\\06\\cam.mjpg")));
  EXPECT_STREQ(recorder_->StatusText(), "Recording limit: cannot free space");
  // A recording problem of its own comes first.
  disk_.room = 10;
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "File write failed, disk may be full");
  disk_.room = SIZE_MAX;
  // A larger limit, once the minute is over: the status goes.
  recorder_->SetExtras({0, 10, 0});
  clock_.Advance(60);
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "");

  // Age alone: the old current file is no failure; other old files go.
  Place("lim\\05\\cam.mjpg", 10, 3);
  recorder_->SetExtras({0, 0, 2});
  clock_.Advance(60);
  Save();
  EXPECT_FALSE(IsFile(folder_.At("lim\\05\\cam.mjpg")));
  EXPECT_TRUE(IsFile(folder_.At("lim\\07\\cam.mjpg")));
  EXPECT_STREQ(recorder_->StatusText(), "");

  // A template whose fixed part would be a root: no limit acts, and says so.
  Place("top\\z.mjpg", 10, 30);
  CopyText(settings_.savePath, std::string(1, folder_.Path()[0]) + ":\\%Y\\cam.mjpg");
  recorder_->SetExtras({0, 1, 1});
  settings_.recordEnabled = 0;
  clock_.Advance(60);
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "Recording limit: cannot free space");
  EXPECT_TRUE(IsFile(folder_.At("top\\z.mjpg")));
}

TEST_F(RecorderLimitTest, DiskFullWithASizeLimitMakesRoomAndTriesOnceMore) {
  MakeRecorder().SetExtras({0, 1, 0});
  Save();
  const size_t whole = ReadWholeFile(folder_.At("lim\\07\\cam.mjpg")).size();
  // The camera's own old recording fills the disk.
  Place("lim\\01\\cam.mjpg", 2000, 10);
  const std::string hog = folder_.At("lim\\01\\cam.mjpg");
  disk_.full = [&] { return IsFile(hog); };
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "");
  EXPECT_FALSE(IsFile(hog));
  EXPECT_EQ(Frames("lim\\07\\cam.mjpg").size(), 2u);
  EXPECT_EQ(ReadWholeFile(folder_.At("lim\\07\\cam.mjpg")).size(), 2 * whole);

  // No size limit: no pass, no second try.
  Place("lim\\01\\cam.mjpg", 2000, 10);
  recorder_->SetExtras({0, 0, 30});
  Save();
  EXPECT_STREQ(recorder_->StatusText(), "File write failed, disk may be full");
  EXPECT_TRUE(IsFile(hog));
  EXPECT_EQ(Frames("lim\\07\\cam.mjpg").size(), 2u);
}

}  // namespace
