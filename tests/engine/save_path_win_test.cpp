#include "engine/save_path_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/settable_clock.h"
#include "support/temp_folder_win.h"
#include "support/test_pictures.h"

namespace {

// A fresh folder under the temporary path for each test, removed after it.
class SavePathOnDisk : public ::testing::Test {
 protected:
  std::string At(const std::string& relative) const { return folder_.At(relative); }

  static void Write(const std::string& path, const std::string& text) {
    WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
  }
  static std::string Read(const std::string& path) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
  }
  static void SetWriteTime(const std::string& path, uint64_t time) {
    ScopedKernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file) << path;
    FILETIME written{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
  }
  // The names in a folder, sorted, folders marked with a trailing backslash.
  static std::vector<std::string> List(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    ScopedFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return names;
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      names.push_back(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? name + "\\" : name);
    } while (FindNextFileA(find.Get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder_{"vr_paths"};
  const std::string& base_ = folder_.Path();
};

using Names = std::vector<std::string>;

TEST_F(SavePathOnDisk, CreatesEveryFolderButNotTheFile) {
  std::string path = At("a\\b\\c\\rec.mjpg");
  EXPECT_TRUE(CreateSaveDirectories(path));
  EXPECT_TRUE(IsFolder(At("a\\b\\c")));
  EXPECT_FALSE(IsFile(path));
  EXPECT_FALSE(IsFolder(path));
  // A second time every level exists already.
  EXPECT_TRUE(CreateSaveDirectories(At("a\\b\\c\\other.mjpg")));
  EXPECT_EQ(List(At("a\\b\\c")), Names{});
}

TEST_F(SavePathOnDisk, AFileInTheWayOfAFolderFailsAfterRetries) {
  Write(At("blocker"), "x");
  ULONGLONG started = GetTickCount64();
  EXPECT_FALSE(CreateSaveDirectories(At("blocker\\sub\\rec.mjpg")));
  // Three pauses of 100 ms between the four attempts at the failing level.
  EXPECT_GE(GetTickCount64() - started, 250u);
  EXPECT_TRUE(IsFile(At("blocker")));
  EXPECT_FALSE(CreateSaveDirectories("C:\\"));
}

TEST_F(SavePathOnDisk, CleaningDeletesOnlyRecordingsOfTheFolder) {
  for (const char* name : {"a.mjpg", "b.jpg", "c.JPEG", "d.mjpeg", "notes.txt", "e.png", "keep.jpgx", "f.jpg.txt"})
    Write(At(name), name);
  ASSERT_TRUE(CreateDirectoryA(At("folder.jpg").c_str(), nullptr));
  Write(At("folder.jpg\\inner.jpg"), "inner");
  ASSERT_TRUE(CreateDirectoryA(At("sub").c_str(), nullptr));
  Write(At("sub\\deep.mjpg"), "deep");

  CleanSaveDirectory(At("new.mjpg"));

  EXPECT_EQ(List(base_), (Names{"e.png", "f.jpg.txt", "folder.jpg\\", "keep.jpgx", "notes.txt", "sub\\"}));
  EXPECT_EQ(List(At("folder.jpg")), Names{"inner.jpg"});
  EXPECT_EQ(List(At("sub")), Names{"deep.mjpg"});
}

TEST_F(SavePathOnDisk, CleaningAMissingFolderOrAPathWithoutFolderDoesNothing) {
  Write(At("x.jpg"), "x");
  CleanSaveDirectory(At("missing\\rec.mjpg"));
  EXPECT_FALSE(IsFolder(At("missing")));

  // A bare file name names no folder; the current folder is not cleaned.
  char previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(base_.c_str()));
  CleanSaveDirectory("rec.mjpg");
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(IsFile(At("x.jpg")));
}

TEST_F(SavePathOnDisk, CleaningPassesOverFilesThatCannotBeDeleted) {
  Write(At("locked.jpg"), "l");
  Write(At("free.jpg"), "f");
  ScopedKernelHandle holder(CreateFileA(At("locked.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  CleanSaveDirectory(At("rec.mjpg"));
  EXPECT_EQ(List(base_), Names{"locked.jpg"});
}

TEST_F(SavePathOnDisk, NumberingResumesAtTheFirstFreeNumber) {
  std::string path = At("image_.jpg");
  EXPECT_EQ(FindStartNumber(path, 3), 1u);
  Write(At("image_1.jpg"), "1");
  Write(At("image_2.jpg"), "2");
  Write(At("image_4.jpg"), "4");
  EXPECT_EQ(FindStartNumber(path, 5), 3u);
  EXPECT_EQ(FindStartNumber(path, 1), 0u);
}

TEST_F(SavePathOnDisk, NumberingWithoutGapResumesAtTheNewestPicture) {
  std::string path = At("image_.jpg");
  Write(At("image_1.jpg"), "1");
  Write(At("image_2.jpg"), "2");
  Write(At("image_3.jpg"), "3");
  SetWriteTime(At("image_1.jpg"), 130000000000000000ull);
  SetWriteTime(At("image_2.jpg"), 130000000100000000ull);
  SetWriteTime(At("image_3.jpg"), 130000000200000000ull);  // never examined
  EXPECT_EQ(FindStartNumber(path, 3), 2u);
  SetWriteTime(At("image_1.jpg"), 130000000300000000ull);
  EXPECT_EQ(FindStartNumber(path, 3), 1u);
  EXPECT_EQ(FindStartNumber(path, 4), 1u);
}

TEST_F(SavePathOnDisk, APictureInUseElsewhereCountsAsFree) {
  std::string path = At("p.jpg");
  Write(At("p1.jpg"), "1");
  Write(At("p2.jpg"), "2");
  Write(At("p3.jpg"), "3");
  ScopedKernelHandle viewer(
      CreateFileA(At("p2.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(viewer);
  EXPECT_EQ(FindStartNumber(path, 4), 2u);
}

TEST_F(SavePathOnDisk, OpeningANumberedPictureCutsOffTheOldTail) {
  std::string name = At("p1.jpg");
  Write(name, "a much longer old picture");
  {
    ScopedKernelHandle file = OpenNumberedPicture(name.c_str());
    ASSERT_TRUE(file);
    // Others may read it while it is written, not write it.
    ScopedKernelHandle reader(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
    ScopedKernelHandle writer(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "new", 3, &written, nullptr));
  }
  EXPECT_EQ(Read(name), "new");

  std::string fresh = At("p2.jpg");
  ASSERT_TRUE(OpenNumberedPicture(fresh.c_str()));
  EXPECT_TRUE(IsFile(fresh));
  EXPECT_FALSE(OpenNumberedPicture(At("missing\\p3.jpg").c_str()));
}

// What the worker does for one picture in numbered mode.
void SaveNumbered(const std::string& path, int32_t maxJpegCount, uint32_t& pictureNumber, const std::string& picture) {
  char name[kTextSize];
  if (pictureNumber == 0 && maxJpegCount > 1) pictureNumber = FindStartNumber(path, maxJpegCount);
  ASSERT_EQ(NumberedName(path, pictureNumber, name), NumberedNameResult::kOk);
  ScopedKernelHandle file = OpenNumberedPicture(name);
  ASSERT_TRUE(file) << name;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.Get(), picture.data(), static_cast<DWORD>(picture.size()), &written, nullptr));
  pictureNumber = AdvancePictureNumber(pictureNumber, maxJpegCount);
}

TEST_F(SavePathOnDisk, NumberedPicturesRunRoundTheRange) {
  std::string path = At("cam.jpg");
  uint32_t number = 0;
  const char* pictures[] = {"first picture", "second picture", "third", "4", "5"};
  for (const char* picture : pictures) SaveNumbered(path, 3, number, picture);
  EXPECT_EQ(List(base_), (Names{"cam1.jpg", "cam2.jpg", "cam3.jpg"}));
  EXPECT_EQ(Read(At("cam1.jpg")), "4");
  EXPECT_EQ(Read(At("cam2.jpg")), "5");
  EXPECT_EQ(Read(At("cam3.jpg")), "third");
  EXPECT_EQ(number, 3u);

  // One picture at most: number 0 first, then always 1.
  std::string single = At("one.jpg");
  uint32_t singleNumber = 0;
  for (const char* picture : pictures) SaveNumbered(single, 1, singleNumber, picture);
  EXPECT_EQ(Read(At("one0.jpg")), "first picture");
  EXPECT_EQ(Read(At("one1.jpg")), "5");
}

// The worker's path step for one frame, with cleaning switched on or off.
void TakePath(const std::string& pathTemplate, const Clock& clock, bool cleanDirectory, std::string& currentPath) {
  char path[kTextSize];
  ASSERT_EQ(ExpandSavePath(pathTemplate, clock, path), ExpandResult::kOk);
  PathChange change = ClassifyPathChange(path, currentPath);
  if (change == PathChange::kNewFolder && cleanDirectory) CleanSaveDirectory(path);
  currentPath = path;
  ASSERT_TRUE(CreateSaveDirectories(currentPath));
}

TEST_F(SavePathOnDisk, WeekdayFoldersRollOverAtMidnight) {
  std::string pathTemplate = base_ + "\\%A\\rec.mjpg";
  // Last week's Tuesday recording and a note beside it.
  ASSERT_TRUE(CreateDirectoryA(At("Tuesday").c_str(), nullptr));
  Write(At("Tuesday\\rec.mjpg"), "last week");
  Write(At("Tuesday\\old.jpg"), "last week");
  Write(At("Tuesday\\notes.txt"), "keep");

  SettableClock clock(2026, 12, 7, 23, 59, 59);  // Monday
  std::string currentPath;
  TakePath(pathTemplate, clock, true, currentPath);
  EXPECT_EQ(currentPath, At("Monday\\rec.mjpg"));
  EXPECT_TRUE(IsFolder(At("Monday")));
  EXPECT_TRUE(IsFile(At("Tuesday\\rec.mjpg")));  // the first path cleans nothing

  clock.Advance(1);
  TakePath(pathTemplate, clock, true, currentPath);
  EXPECT_EQ(currentPath, At("Tuesday\\rec.mjpg"));
  EXPECT_EQ(List(At("Tuesday")), Names{"notes.txt"});
}

TEST_F(SavePathOnDisk, WithoutCleaningOrWithChangingFileNamesNothingIsDeleted) {
  ASSERT_TRUE(CreateDirectoryA(At("Tuesday").c_str(), nullptr));
  Write(At("Tuesday\\rec.mjpg"), "last week");
  SettableClock clock(2026, 12, 7, 23, 59, 59);
  std::string currentPath;
  TakePath(base_ + "\\%A\\rec.mjpg", clock, false, currentPath);
  clock.Advance(1);
  TakePath(base_ + "\\%A\\rec.mjpg", clock, false, currentPath);
  EXPECT_EQ(Read(At("Tuesday\\rec.mjpg")), "last week");

  std::string fileTemplate = base_ + "\\Tuesday\\%H%M%S.mjpg";
  for (int i = 0; i < 3; ++i, clock.Advance(1)) {
    TakePath(fileTemplate, clock, true, currentPath);
    Write(currentPath, "frame");
  }
  EXPECT_EQ(List(At("Tuesday")), (Names{"000000.mjpg", "000001.mjpg", "000002.mjpg", "rec.mjpg"}));
}

}  // namespace
