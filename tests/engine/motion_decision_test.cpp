#include "engine/motion_decision.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "engine/alarm.h"

namespace {

CamSettings MotionSettings(int32_t triggerLevel, int32_t saveCount) {
  CamSettings settings = DefaultCamSettings();
  settings.motionEnabled = 1;
  settings.triggerLevel = triggerLevel;
  settings.saveCount = saveCount;
  return settings;
}

// Feeds a run of motion levels through the recording gate and returns which
// pictures were recorded.
std::vector<bool> Recorded(const CamSettings& settings, const std::vector<int32_t>& levels, uint32_t countdown = 0) {
  std::vector<bool> recorded;
  for (int32_t level : levels) recorded.push_back(TakeRecordingTurn(settings, level, countdown));
  return recorded;
}

TEST(MotionDecision, MotionMeansStrictlyAboveTheTrigger) {
  EXPECT_FALSE(HasMotion(20, 20));
  EXPECT_TRUE(HasMotion(21, 20));
  EXPECT_FALSE(HasMotion(0, 0));
  EXPECT_TRUE(HasMotion(0, -1));  // signed comparison
  EXPECT_FALSE(HasMotion(255, 255));
}

TEST(MotionDecision, SaveCountZeroRecordsOnlyMotionPictures) {
  const CamSettings settings = MotionSettings(20, 0);
  EXPECT_EQ(Recorded(settings, {0, 30, 0, 20, 21, 21, 5}),
            (std::vector<bool>{false, true, false, false, true, true, false}));
}

TEST(MotionDecision, MotionPictureAndTheNextSaveCountAreRecordedAndMotionRestarts) {
  const CamSettings settings = MotionSettings(20, 5);
  // One motion picture: it and five more.
  EXPECT_EQ(Recorded(settings, {50, 0, 0, 0, 0, 0, 0, 0}),
            (std::vector<bool>{true, true, true, true, true, true, false, false}));
  // Motion in the third picture of the countdown restarts it there.
  EXPECT_EQ(Recorded(settings, {50, 0, 50, 0, 0, 0, 0, 0, 0}),
            (std::vector<bool>{true, true, true, true, true, true, true, true, false}));
}

TEST(MotionDecision, DetectionOffRecordsEverythingAndClearsTheCountdown) {
  CamSettings settings = MotionSettings(20, 5);
  settings.motionEnabled = 0;
  uint32_t countdown = 3;
  EXPECT_TRUE(TakeRecordingTurn(settings, 0, countdown));
  EXPECT_EQ(countdown, 0u);
  // Switched back on, a leftover countdown does not record quiet pictures.
  settings.motionEnabled = 1;
  EXPECT_FALSE(TakeRecordingTurn(settings, 0, countdown));
}

TEST(MotionDecision, OutOfRangeSaveCountsStayBounded) {
  // A negative count would otherwise wrap to four billion pictures.
  EXPECT_EQ(Recorded(MotionSettings(20, -5), {50, 0, 0}), (std::vector<bool>{true, false, false}));
  uint32_t countdown = 0;
  EXPECT_TRUE(TakeRecordingTurn(MotionSettings(20, INT_MAX), 50, countdown));
  EXPECT_EQ(countdown, static_cast<uint32_t>(INT_MAX));
}

class CountingSound final : public AlarmSound {
 public:
  void Play() override { ++plays; }
  int plays = 0;
};

CamSettings AlarmSettings() {
  CamSettings settings = MotionSettings(20, 0);
  settings.motionSound = 1;
  return settings;
}

TEST(MotionAlarm, PlaysOncePerEpisode) {
  const CamSettings settings = AlarmSettings();
  CountingSound sound;
  int32_t latch = 0;
  UpdateMotionAlarm(settings, 30, latch, sound);
  EXPECT_EQ(sound.plays, 1);
  EXPECT_NE(latch, 0);
  UpdateMotionAlarm(settings, 40, latch, sound);
  UpdateMotionAlarm(settings, 255, latch, sound);
  EXPECT_EQ(sound.plays, 1);
  // A level of exactly the trigger is no motion and ends the episode.
  UpdateMotionAlarm(settings, 20, latch, sound);
  EXPECT_EQ(latch, 0);
  EXPECT_EQ(sound.plays, 1);
  UpdateMotionAlarm(settings, 21, latch, sound);
  EXPECT_EQ(sound.plays, 2);
}

TEST(MotionAlarm, NeedsBothSoundAndDetectionAndThenLeavesTheLatch) {
  for (auto flags : {std::pair{1, 0}, std::pair{0, 1}, std::pair{0, 0}}) {
    CamSettings settings = AlarmSettings();
    settings.motionSound = flags.first;
    settings.motionEnabled = flags.second;
    CountingSound sound;
    int32_t latch = 0;
    UpdateMotionAlarm(settings, 100, latch, sound);
    EXPECT_EQ(sound.plays, 0);
    EXPECT_EQ(latch, 0);
    latch = 1;
    UpdateMotionAlarm(settings, 0, latch, sound);
    EXPECT_EQ(latch, 1);
  }
}

TEST(MotionAlarm, SoundFileSitsBesideTheProgram) {
  EXPECT_EQ(AlarmSoundPath("C:\\Program Files\\Vorrandale\\Vorrandale.exe"),
            "C:\\Program Files\\Vorrandale\\motion.wav");
  EXPECT_EQ(AlarmSoundPath("C:\\cam.exe"), "C:\\motion.wav");
  EXPECT_EQ(AlarmSoundPath("\\\\server\\share\\dir\\"), "\\\\server\\share\\dir\\motion.wav");
  // Only a backslash separates folders here.
  EXPECT_EQ(AlarmSoundPath("C:/cams/cam.exe"), "");
  EXPECT_EQ(AlarmSoundPath("cam.exe"), "");
  EXPECT_EQ(AlarmSoundPath(""), "");
}

TEST(MotionAlarm, SoundPathStaysWithinTheProgramPathBuffer) {
  // The folder, "motion.wav" and the NUL fill the 1024 bytes exactly.
  std::string folder = "C:" + std::string(1013 - 3, 'a') + "\\";
  ASSERT_EQ(folder.size(), 1013u);
  EXPECT_EQ(AlarmSoundPath(folder + "x.exe"), folder + "motion.wav");
  EXPECT_EQ(AlarmSoundPath(folder + "x.exe").size() + 1, kProgramPathSize);
  std::string longer = "C:" + std::string(1014 - 3, 'a') + "\\";
  EXPECT_EQ(AlarmSoundPath(longer + "x.exe"), "");
}

}  // namespace
