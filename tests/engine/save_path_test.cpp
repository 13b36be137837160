#include "engine/save_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/settable_clock.h"

namespace {

std::string Expand(std::string_view pathTemplate, const Clock& clock, ExpandResult expected = ExpandResult::kOk) {
  char path[kTextSize];
  std::memset(path, 'x', sizeof path);
  EXPECT_EQ(ExpandSavePath(pathTemplate, clock, path), expected) << pathTemplate;
  return path;
}

TEST(ExpandSavePath, DefaultTemplateGivesMonthAndDayFolders) {
  SettableClock clock(2026, 12, 7, 9, 5, 3);
  EXPECT_EQ(Expand("C:\\Cameras\\%B\\%d\\myfile.mjpg", clock), "C:\\Cameras\\December\\07\\myfile.mjpg");
  EXPECT_EQ(Expand("D:\\%Y-%m-%d\\%H%M%S_%A_%j.mjpg", clock), "D:\\2026-12-07\\090503_Monday_341.mjpg");
  EXPECT_EQ(Expand("D:\\100%%\\x", clock), "D:\\100%\\x");
  EXPECT_EQ(Expand("", clock), "");
}

TEST(ExpandSavePath, FollowsTheClockAcrossMidnight) {
  SettableClock clock(2026, 12, 31, 23, 59, 59);
  EXPECT_EQ(Expand("C:\\c\\%A\\%Y\\f.mjpg", clock), "C:\\c\\Thursday\\2026\\f.mjpg");
  clock.Advance(1);
  EXPECT_EQ(Expand("C:\\c\\%A\\%Y\\f.mjpg", clock), "C:\\c\\Friday\\2027\\f.mjpg");
}

TEST(ExpandSavePath, ExpansionLongerThan258CharactersIsRefusedWhole) {
  SettableClock may(2026, 5, 1, 0, 0, 0);
  SettableClock september(2026, 9, 1, 0, 0, 0);
  std::string exact(kMaxSavePathLength, 'a');
  EXPECT_EQ(Expand(exact, may), exact);
  Expand(exact + "b", may, ExpandResult::kTooLong);
  EXPECT_EQ(Expand(exact + "b", may, ExpandResult::kTooLong), "");

  // The same template fits in May and not in September.
  std::string monthly = std::string(kMaxSavePathLength - 8, 'a') + "%B";
  EXPECT_EQ(Expand(monthly, may), std::string(kMaxSavePathLength - 8, 'a') + "May");
  EXPECT_EQ(Expand(monthly, september, ExpandResult::kTooLong), "");
  // A short template that grows past the limit.
  std::string many;
  for (int i = 0; i < 30; ++i) many += "%B";
  EXPECT_EQ(Expand(many, september, ExpandResult::kTooLong), "");
}

TEST(ExpandSavePath, RefusesConversionsTheRuntimeMayNotKnow) {
  SettableClock clock(2026, 12, 7, 9, 5, 3);
  for (const char* bad : {"C:\\%Q\\f", "C:\\f%", "C:\\%e\\f", "C:\\%T", "C:\\%#", "C:\\%#%", "C:\\%Ec", "C:\\%n"})
    EXPECT_EQ(Expand(bad, clock, ExpandResult::kBadTemplate), "") << bad;
  EXPECT_TRUE(IsValidPathTemplate("C:\\%#d\\%%\\%a%A%b%B%c%d%H%I%j%m%M%p%S%U%w%W%x%X%y%Y%z%Z"));
  EXPECT_NE(std::string(ExpandFailureText(ExpandResult::kBadTemplate)), "");
  EXPECT_NE(std::string(ExpandFailureText(ExpandResult::kTooLong)), "");
  EXPECT_EQ(std::string(ExpandFailureText(ExpandResult::kOk)), "");
}

TEST(ExpandSavePath, RefusesACalendarTimeOutOfRange) {
  std::tm broken{};
  std::memset(&broken, 0xFF, sizeof broken);  // what a failed localtime_s leaves
  char path[kTextSize] = "old";
  EXPECT_EQ(ExpandSavePath("C:\\%d\\f", broken, path), ExpandResult::kBadTime);
  EXPECT_STREQ(path, "");
}

TEST(ClassifyPathChange, OnlyAChangedFolderAsksForCleaning) {
  EXPECT_EQ(ClassifyPathChange("C:\\a\\f.mjpg", ""), PathChange::kFirstPath);
  EXPECT_EQ(ClassifyPathChange("C:\\a\\f.mjpg", "C:\\a\\f.mjpg"), PathChange::kSame);
  EXPECT_EQ(ClassifyPathChange("C:\\a\\0901.mjpg", "C:\\a\\0900.mjpg"), PathChange::kNewFile);
  EXPECT_EQ(ClassifyPathChange("C:\\Tuesday\\f.mjpg", "C:\\Monday\\f.mjpg"), PathChange::kNewFolder);
  EXPECT_EQ(ClassifyPathChange("g.mjpg", "f.mjpg"), PathChange::kNewFile);
  EXPECT_EQ(ClassifyPathChange("C:\\a\\f.mjpg", "f.mjpg"), PathChange::kNewFolder);
  EXPECT_EQ(ClassifyPathChange("f.mjpg", "C:\\a\\f.mjpg"), PathChange::kNewFile);
}

TEST(ClassifyPathChange, AFolderThatIsAPrefixOfTheOldOneIsStillNew) {
  // Month without leading zero: December to January.
  EXPECT_EQ(ClassifyPathChange("C:\\c\\1\\f.mjpg", "C:\\c\\12\\f.mjpg"), PathChange::kNewFolder);
  EXPECT_EQ(ClassifyPathChange("C:\\c\\f.mjpg", "C:\\c\\d\\f.mjpg"), PathChange::kNewFolder);
  EXPECT_EQ(ClassifyPathChange("C:\\c\\d\\f.mjpg", "C:\\c\\f.mjpg"), PathChange::kNewFolder);
}

std::string Numbered(std::string_view path, uint32_t number, NumberedNameResult expected = NumberedNameResult::kOk) {
  char name[kTextSize];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(NumberedName(path, number, name), expected) << path;
  return name;
}

TEST(NumberedName, InsertsTheNumberBeforeTheLastDotOfTheFileName) {
  EXPECT_EQ(Numbered("C:\\pics\\image_.jpg", 7), "C:\\pics\\image_7.jpg");
  EXPECT_EQ(Numbered("C:\\pics\\a.b.jpg", 0), "C:\\pics\\a.b0.jpg");
  EXPECT_EQ(Numbered("x.jpg", 4294967295u), "x4294967295.jpg");
  EXPECT_EQ(Numbered("C:\\pics\\.jpg", 12), "C:\\pics\\12.jpg");
  EXPECT_EQ(Numbered("C:\\pics\\image.", 3), "C:\\pics\\image3.");
}

TEST(NumberedName, CopiesPercentSignsLiterally) {
  EXPECT_EQ(Numbered("C:\\100%\\p%s%n.jpg", 5), "C:\\100%\\p%s%n5.jpg");
}

TEST(NumberedName, FailsWithoutADotInTheFileName) {
  EXPECT_EQ(Numbered("C:\\pics\\image", 1, NumberedNameResult::kNoExtension), "");
  EXPECT_EQ(Numbered("C:\\pics.old\\image", 1, NumberedNameResult::kNoExtension), "");
  EXPECT_EQ(Numbered("", 1, NumberedNameResult::kNoExtension), "");
}

TEST(NumberedName, FailsWhenTheNumberDoesNotFit) {
  std::string path = std::string(kTextSize - 1 - 4 - 3, 'a') + ".jpg";  // 256 characters
  EXPECT_EQ(Numbered(path, 999).size(), kTextSize - 1);
  EXPECT_EQ(Numbered(path, 1000, NumberedNameResult::kTooLong), "");
}

std::vector<uint32_t> NumberRun(uint32_t first, int32_t maxJpegCount, int count) {
  std::vector<uint32_t> run{first};
  for (int i = 1; i < count; ++i) run.push_back(AdvancePictureNumber(run.back(), maxJpegCount));
  return run;
}

TEST(AdvancePictureNumber, RunsRoundTheRange) {
  EXPECT_EQ(NumberRun(1, 3, 7), (std::vector<uint32_t>{1, 2, 3, 1, 2, 3, 1}));
  EXPECT_EQ(NumberRun(2, 3, 4), (std::vector<uint32_t>{2, 3, 1, 2}));
  EXPECT_EQ(NumberRun(0, 1, 4), (std::vector<uint32_t>{0, 1, 1, 1}));
  EXPECT_EQ(NumberRun(0, 0, 3), (std::vector<uint32_t>{0, 1, 1}));
  EXPECT_EQ(NumberRun(0, -5, 3), (std::vector<uint32_t>{0, 1, 1}));
  // A number left above a lowered maximum starts again at 1.
  EXPECT_EQ(AdvancePictureNumber(50, 10), 1u);
}

// Last-write times by number; missing numbers have none (0). Records the
// numbers asked for.
struct PictureTimes {
  std::map<uint32_t, uint64_t> times;
  std::vector<uint32_t> asked;
  uint32_t Pick(int32_t maxJpegCount) {
    return PickStartNumber(maxJpegCount, [this](uint32_t n) {
      asked.push_back(n);
      auto it = times.find(n);
      return it == times.end() ? uint64_t{0} : it->second;
    });
  }
};

TEST(PickStartNumber, ResumesAtTheFirstGap) {
  PictureTimes none;
  EXPECT_EQ(none.Pick(3), 1u);
  EXPECT_EQ(none.asked, (std::vector<uint32_t>{1}));

  PictureTimes gap{{{1, 50}, {2, 90}, {4, 70}}, {}};
  EXPECT_EQ(gap.Pick(10), 3u);
  EXPECT_EQ(gap.asked, (std::vector<uint32_t>{1, 2, 3}));
}

TEST(PickStartNumber, WithoutAGapOverwritesTheNewestPicture) {
  PictureTimes two{{{1, 100}, {2, 200}}, {}};
  EXPECT_EQ(two.Pick(3), 2u);
  EXPECT_EQ(two.asked, (std::vector<uint32_t>{1, 2}));  // number 3 is never examined

  PictureTimes full{{{1, 5}, {2, 9}, {3, 7}, {4, 1}, {5, 99}}, {}};
  EXPECT_EQ(full.Pick(5), 2u);

  PictureTimes equal{{{1, 5}, {2, 9}, {3, 9}}, {}};
  EXPECT_EQ(equal.Pick(4), 2u);
}

TEST(PickStartNumber, NoScanForOneOrNoPictures) {
  for (int32_t max : {1, 0, -3}) {
    PictureTimes any{{{1, 5}}, {}};
    EXPECT_EQ(any.Pick(max), 0u);
    EXPECT_TRUE(any.asked.empty());
  }
}

TEST(IsRecordingFileName, MatchesTheRecordingPattern) {
  for (const char* name : {"a.mjpg", "A.JPG", "x.jpeg", "y.MJPEG", ".jpg", "a.b.jpg", "cam 1.Jpg"})
    EXPECT_TRUE(IsRecordingFileName(name)) << name;
  for (const char* name : {"notes.jpgx", "jpg", "a.png", "a.gif", "a.jp", "a.jpg.txt", "mjpg", "photo_jpg", ""})
    EXPECT_FALSE(IsRecordingFileName(name)) << name;
}

// Records every call; folders listed in `failures` fail that many times.
class FakeFolderMaker final : public FolderMaker {
 public:
  std::vector<std::string> existing;
  std::map<std::string, int> failures;
  std::vector<std::string> made;
  std::vector<unsigned> pauses;

  bool Exists(const std::string& path) override {
    return std::find(existing.begin(), existing.end(), path) != existing.end();
  }
  Result Make(const std::string& folder) override {
    made.push_back(folder);
    if (failures[folder] > 0) {
      --failures[folder];
      return Result::kFailed;
    }
    if (Exists(folder)) return Result::kAlreadyExists;
    existing.push_back(folder);
    return Result::kCreated;
  }
  void Pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }
};

using Strings = std::vector<std::string>;

TEST(CreateSaveDirectories, MakesEachFolderLevelButNotRootOrFileName) {
  FakeFolderMaker maker;
  maker.existing = {"C:\\a\\"};
  EXPECT_TRUE(CreateSaveDirectories("C:\\a\\b\\c\\f.mjpg", maker));
  EXPECT_EQ(maker.made, (Strings{"C:\\a\\", "C:\\a\\b\\", "C:\\a\\b\\c\\"}));
  EXPECT_TRUE(maker.pauses.empty());

  FakeFolderMaker unc;
  EXPECT_TRUE(CreateSaveDirectories("\\\\nas\\cams\\d\\f.jpg", unc));
  EXPECT_EQ(unc.made, (Strings{"\\\\nas\\cams\\d\\"}));

  FakeFolderMaker relative;
  EXPECT_TRUE(CreateSaveDirectories("ab\\cd\\f.jpg", relative));
  EXPECT_EQ(relative.made, (Strings{"ab\\", "ab\\cd\\"}));

  FakeFolderMaker driveRelative;
  EXPECT_TRUE(CreateSaveDirectories("C:x\\f.jpg", driveRelative));
  EXPECT_EQ(driveRelative.made, (Strings{"C:x\\"}));

  FakeFolderMaker noFolder;
  EXPECT_TRUE(CreateSaveDirectories("C:\\f.jpg", noFolder));
  EXPECT_TRUE(noFolder.made.empty());
}

TEST(CreateSaveDirectories, ShortOrExistingPathsNeedNoFolders) {
  FakeFolderMaker maker;
  maker.existing = {"C:\\a\\b\\f.mjpg", "C:\\"};
  EXPECT_TRUE(CreateSaveDirectories("C:\\a\\b\\f.mjpg", maker));
  EXPECT_FALSE(CreateSaveDirectories("C:\\", maker));
  EXPECT_FALSE(CreateSaveDirectories("", maker));
  EXPECT_TRUE(maker.made.empty());
}

TEST(CreateSaveDirectories, RetriesALevelFourTimesThenGivesUp) {
  FakeFolderMaker flaky;
  flaky.failures["C:\\a\\"] = 3;
  EXPECT_TRUE(CreateSaveDirectories("C:\\a\\b\\f.mjpg", flaky));
  EXPECT_EQ(flaky.made, (Strings{"C:\\a\\", "C:\\a\\", "C:\\a\\", "C:\\a\\", "C:\\a\\b\\"}));
  EXPECT_EQ(flaky.pauses, (std::vector<unsigned>{100, 100, 100}));

  FakeFolderMaker broken;
  broken.failures["C:\\a\\"] = 4;
  EXPECT_FALSE(CreateSaveDirectories("C:\\a\\b\\f.mjpg", broken));
  EXPECT_EQ(broken.made, (Strings{"C:\\a\\", "C:\\a\\", "C:\\a\\", "C:\\a\\"}));
  EXPECT_EQ(broken.pauses, (std::vector<unsigned>{100, 100, 100}));
}

}  // namespace

TEST(Mp4PathTemplate, TheFilePartTakesTheMp4Extension) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Cameras\\%B\\%d\\myfile.mjpg", "C:\\Cameras\\%B\\%d\\myfile.mp4"},
      {"D:\\pics\\img_.jpg", "D:\\pics\\img_.mp4"},
      {"D:\\v1.2\\cam", "D:\\v1.2\\cam.mp4"},
      {"D:/v1.2/cam.x.MJPG", "D:/v1.2/cam.x.mp4"},
      {"cam", "cam.mp4"},
  };
  for (const auto& [pathTemplate, mp4] : cases) EXPECT_EQ(Mp4PathTemplate(pathTemplate), mp4) << pathTemplate;
}
