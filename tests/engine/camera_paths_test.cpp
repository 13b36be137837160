#include "engine/camera_paths.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/camera_identity.h"
#include "engine/recording_claims.h"

namespace {

TEST(CameraPathsTest, EachCameraGivenASourceGetsAPathOfItsOwnAndAUsersPathStays) {
  std::vector<std::string> paths;
  for (int number = 1; number <= 12; ++number) {
    CamSettings s = DefaultCamSettings();
    EXPECT_TRUE(GiveOwnDefaultPath(s, number));
    paths.push_back(s.savePath);
    EXPECT_FALSE(GiveOwnDefaultPath(s, number)) << "given once, the path is the camera's own";
  }
  EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), 12u);
  EXPECT_EQ(paths[1], "C:\\Cameras\\Camera 2\\%Y-%m-%d\\camera2.mjpg");

  const struct {
    const char* path;
    const char* after;
  } cases[] = {
      {"C:\\Cameras\\%B\\%d\\myfile.jpg", "C:\\Cameras\\Camera 3\\%Y-%m-%d\\camera3.jpg"},
      {"C:\\Cameras\\%B\\%d\\myfile.mjpg.bak", "C:\\Cameras\\%B\\%d\\myfile.mjpg.bak"},
      {"D:\\Garden\\%d\\myfile.mjpg", "D:\\Garden\\%d\\myfile.mjpg"},
      {"c:\\cameras\\%B\\%d\\myfile.mjpg", "c:\\cameras\\%B\\%d\\myfile.mjpg"},
  };
  for (const auto& c : cases) {
    CamSettings s = DefaultCamSettings();
    CopyText(s.savePath, c.path);
    GiveOwnDefaultPath(s, 3);
    EXPECT_STREQ(s.savePath, c.after) << c.path;
  }
}

TEST(CameraPathsTest, PathsCompareAsWindowsFileNames) {
  EXPECT_TRUE(SameRecordingFile("C:\\Cameras\\A.mjpg", "c:/cameras/a.MJPG"));
  EXPECT_FALSE(SameRecordingFile("C:\\Cameras\\A.mjpg", "C:\\Cameras\\A.mjp"));
  EXPECT_FALSE(SameRecordingFile("", ""));
}

TEST(RecordingClaimsTest, ASecondCameraLearnsWhoseFileItIsUntilTheFirstLetsGo) {
  RecordingClaims claims;
  RecordingClaim first(claims), second(claims);
  EXPECT_EQ(first.Take("C:\\rec\\a.mjpg", "Door"), "");
  EXPECT_EQ(second.Take("c:\\REC\\a.mjpg", "Camera 2"), "Door");
  EXPECT_EQ(first.Take("C:\\rec\\a.mjpg", "Front door"), "") << "its own file again";
  EXPECT_EQ(second.Take("C:\\rec\\a.mjpg", "Camera 2"), "Front door") << "the name follows a rename";
  EXPECT_EQ(second.Take("C:\\rec\\b.mjpg", "Camera 2"), "");
  EXPECT_EQ(first.Take("C:\\rec\\b.mjpg", "Door"), "Camera 2");
  EXPECT_EQ(second.Take("C:\\rec\\b.mjpg", "Camera 2"), "") << "a refused claim gave up the old one";
  second.Release();
  EXPECT_EQ(first.Take("C:\\rec\\b.mjpg", "Door"), "");
  {
    RecordingClaim gone(claims);
    EXPECT_EQ(gone.Take("C:\\rec\\c.mjpg", "Camera 5"), "");
  }
  EXPECT_EQ(second.Take("C:\\rec\\c.mjpg", "Camera 2"), "") << "a camera that goes lets go";
}

TEST(CameraIdentityTest, TypedNamesAreTrimmedAndTheDefaultFollowsTheNumber) {
  const struct {
    const char* typed;
    int number;
    const char* stored;
    const char* shown;
  } cases[] = {
      {"  Front door ", 1, "Front door", "Front door"},
      {"Camera 2", 2, "", "Camera 2"},
      {"Camera 2", 3, "Camera 2", "Camera 2"},
      {"   ", 4, "", "Camera 4"},
  };
  for (const auto& c : cases) {
    CameraIdentity identity{};
    SetCameraName(identity, c.typed, c.number);
    EXPECT_STREQ(identity.name, c.stored) << c.typed;
    EXPECT_EQ(CameraName(identity, c.number), c.shown) << c.typed;
  }
  CameraIdentity full{};
  SetCameraName(full, std::string(100, 'x'), 1);
  EXPECT_EQ(CameraName(full, 1), std::string(kCameraNameSize - 1, 'x'));
}

}  // namespace
