#include "engine/storage_limit.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::time_t kNow = 1'800'000'000;
constexpr std::time_t kDay = 86400;
constexpr uint64_t kMB = 1 << 20;

std::vector<std::string> Chosen(const std::vector<RecordingFile>& files, const LimitPlan& plan) {
  std::vector<std::string> paths;
  for (size_t index : plan.deletions) paths.push_back(files[index].path);
  return paths;
}

TEST(StorageLimitTest, FixedPartIsTheFoldersBeforeTheFirstTimeVariable) {
  using Fixed = std::optional<std::string>;
  EXPECT_EQ(FixedPartOf("C:\\Cameras\\%B\\%d\\myfile.mjpg"), Fixed("C:\\Cameras\\"));
  EXPECT_EQ(FixedPartOf("D:\\rec\\cam1\\day_%d\\x.mjpg"), Fixed("D:\\rec\\cam1\\"));
  // A variable in the file name only: the file's folder.
  EXPECT_EQ(FixedPartOf("C:\\Cameras\\front\\cam_%H%M.mjpg"), Fixed("C:\\Cameras\\front\\"));
  // No variable at all: the file's folder.
  EXPECT_EQ(FixedPartOf("C:\\Cameras\\front\\cam.mjpg"), Fixed("C:\\Cameras\\front\\"));
  // "%%" is a percent sign in a folder name, not a variable.
  EXPECT_EQ(FixedPartOf("C:\\100%%\\cam\\%d\\x.jpg"), Fixed("C:\\100%\\cam\\"));
  EXPECT_EQ(FixedPartOf("\\\\server\\share\\cams\\%d\\x.mjpg"), Fixed("\\\\server\\share\\cams\\"));
  EXPECT_EQ(FixedPartOf("C:/cams/%d/x.mjpg"), Fixed("C:/cams/"));
  EXPECT_EQ(FixedPartOf("rec\\%d\\x.mjpg"), Fixed("rec\\"));

  // A variable in the first folder leaves only a root: no limit may act.
  EXPECT_EQ(FixedPartOf("C:\\%Y\\cam.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("C:\\%Y-%m\\cam.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("\\\\server\\share\\%d\\x.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("\\%d\\x.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("C:\\cam.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("cam_%d.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("%d\\cam.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf(""), std::nullopt);
  // Ways out of the folder, or folders that are no folder.
  EXPECT_EQ(FixedPartOf("C:\\cams\\..\\%d\\x.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("C:\\cams\\.\\%d\\x.mjpg"), std::nullopt);
  for (const char* folder : {".. ", "..  .", ". .", "..."})
    EXPECT_EQ(FixedPartOf(std::string("C:\\cams\\") + folder + "\\%d\\x.mjpg"), std::nullopt) << folder;
  EXPECT_EQ(FixedPartOf("C:cams\\%d\\x.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("C:\\ca*s\\%d\\x.mjpg"), std::nullopt);
  EXPECT_EQ(FixedPartOf("\\\\?\\C:\\cams\\%d\\x.mjpg"), std::nullopt);
}

TEST(StorageLimitTest, RecordingNamesAreMjpgJpgAndMp4Only) {
  for (const char* name : {"a.mjpg", "B.MJPG", "pic_7.jpg", "x.JpG", "c.mp4", "D.MP4"})
    EXPECT_TRUE(IsLimitedRecordingName(name)) << name;
  for (const char* name : {"a.jpeg", "a.mjpeg", "notes.txt", "mjpg", "a.jpg.txt", "a.jpgx", "a.mp4.part"})
    EXPECT_FALSE(IsLimitedRecordingName(name)) << name;
}

TEST(StorageLimitTest, OldestGoFirstUntilSizeAndAgeHold) {
  const std::vector<RecordingFile> files = {
      {"C:\\c\\3\\c.mjpg", 30 * kMB, kNow - 1 * kDay},
      {"C:\\c\\1\\a.mjpg", 10 * kMB, kNow - 10 * kDay},
      {"C:\\c\\2\\b.mjpg", 20 * kMB, kNow - 5 * kDay},
      {"C:\\c\\4\\d.mjpg", 5 * kMB, kNow},
  };
  // Size: 65 MB in all.
  LimitPlan plan = PlanDeletions(files, {0, 40, 0}, kNow, "");
  EXPECT_EQ(Chosen(files, plan), (std::vector<std::string>{"C:\\c\\1\\a.mjpg", "C:\\c\\2\\b.mjpg"}));
  EXPECT_TRUE(plan.limitsMet);
  EXPECT_TRUE(PlanDeletions(files, {0, 65, 0}, kNow, "").deletions.empty()) << "exactly at the limit";
  EXPECT_EQ(PlanDeletions(files, {0, 64, 0}, kNow, "").deletions.size(), 1u);

  // Age: older than 3 days.
  plan = PlanDeletions(files, {0, 0, 3}, kNow, "");
  EXPECT_EQ(Chosen(files, plan), (std::vector<std::string>{"C:\\c\\1\\a.mjpg", "C:\\c\\2\\b.mjpg"}));
  EXPECT_TRUE(PlanDeletions(files, {0, 0, 10}, kNow, "").deletions.empty()) << "exactly 10 days old stays";

  // Both: age takes two, size then needs a third.
  plan = PlanDeletions(files, {0, 30, 7}, kNow, "");
  EXPECT_EQ(Chosen(files, plan),
            (std::vector<std::string>{"C:\\c\\1\\a.mjpg", "C:\\c\\2\\b.mjpg", "C:\\c\\3\\c.mjpg"}));
  EXPECT_TRUE(plan.limitsMet);

  // Nothing to delete: no limits, or within them, or no files.
  EXPECT_TRUE(PlanDeletions(files, {0, 0, 0}, kNow, "").deletions.empty());
  EXPECT_TRUE(PlanDeletions(files, {5, 100, 30}, kNow, "").deletions.empty());
  EXPECT_TRUE(PlanDeletions({}, {0, 1, 1}, kNow, "").limitsMet);
}

TEST(StorageLimitTest, TheCurrentFileIsNeverChosen) {
  const std::vector<RecordingFile> files = {
      {"C:\\c\\old.mjpg", 50 * kMB, kNow - 20 * kDay},
      {"C:\\c\\mid.mjpg", 10 * kMB, kNow - 2 * kDay},
      {"C:\\c\\new.mjpg", 10 * kMB, kNow},
  };
  // The current file is the oldest (a long recording): the next ones go.
  LimitPlan plan = PlanDeletions(files, {0, 55, 0}, kNow, "c:\\C\\OLD.mjpg");
  EXPECT_EQ(Chosen(files, plan), (std::vector<std::string>{"C:\\c\\mid.mjpg", "C:\\c\\new.mjpg"}));
  EXPECT_TRUE(plan.limitsMet);
  plan = PlanDeletions(files, {0, 40, 0}, kNow, "C:\\c\\old.mjpg");
  EXPECT_EQ(plan.deletions.size(), 2u);
  EXPECT_FALSE(plan.limitsMet) << "the current file alone is over the size";
  // An old current file is no reason to complain about age.
  plan = PlanDeletions(files, {0, 0, 7}, kNow, "C:\\c\\old.mjpg");
  EXPECT_TRUE(plan.deletions.empty());
  EXPECT_TRUE(plan.limitsMet);
}

TEST(StorageLimitTest, FoldersBelowTheFixedPartOnly) {
  EXPECT_EQ(FoldersBelowFixedPart("C:\\cams\\December\\07\\x.mjpg", "C:\\cams\\"),
            (std::vector<std::string>{"C:\\cams\\December\\07", "C:\\cams\\December"}));
  EXPECT_TRUE(FoldersBelowFixedPart("C:\\cams\\x.mjpg", "C:\\cams\\").empty());
  EXPECT_TRUE(FoldersBelowFixedPart("C:\\other\\a\\x.mjpg", "C:\\cams\\").empty());
  EXPECT_TRUE(FoldersBelowFixedPart("C:\\camsx\\a\\x.mjpg", "C:\\cams\\").empty());
  EXPECT_EQ(FoldersBelowFixedPart("c:\\CAMS\\a\\x.mjpg", "C:\\cams\\"), (std::vector<std::string>{"c:\\CAMS\\a"}));
}

}  // namespace
