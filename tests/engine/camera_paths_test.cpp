#include "engine/camera_paths.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/camera_identity.h"
#include "engine/recording_claims.h"

namespace {

TEST(CameraPathsTest, EachCameraGivenASourceGetsAPathOfItsOwnAndAUsersPathStays) {
  std::set<std::string> paths;
  for (int number = 1; number <= 12; ++number) {
    CamSettings s = DefaultCamSettings();
    EXPECT_TRUE(GiveOwnDefaultPath(s, number));
    EXPECT_FALSE(GiveOwnDefaultPath(s, number)) << "given once, the path is the camera's own";
    paths.insert(s.savePath);
  }
  EXPECT_EQ(paths.size(), 12u);
  EXPECT_EQ(paths.count("C:\\Cameras\\Camera 2\\%Y-%m-%d\\camera2.mjpg"), 1u);
  CamSettings jpeg = DefaultCamSettings();
  CopyText(jpeg.savePath, "C:\\Cameras\\%B\\%d\\myfile.jpg");
  EXPECT_TRUE(GiveOwnDefaultPath(jpeg, 3));
  EXPECT_STREQ(jpeg.savePath, "C:\\Cameras\\Camera 3\\%Y-%m-%d\\camera3.jpg");
  for (const char* path :
       {"C:\\Cameras\\%B\\%d\\myfile.mjpg.bak", "D:\\Garden\\%d\\myfile.mjpg", "c:\\cameras\\%B\\%d\\myfile.mjpg"}) {
    CamSettings s = DefaultCamSettings();
    CopyText(s.savePath, path);
    EXPECT_FALSE(GiveOwnDefaultPath(s, 3)) << path;
    EXPECT_STREQ(s.savePath, path);
  }
}

TEST(RecordingClaimsTest, ASecondCameraLearnsWhoseFileItIsUntilTheFirstLetsGo) {
  RecordingClaims claims;
  RecordingClaim first(claims), second(claims);
  EXPECT_EQ(first.Take("C:\\rec\\a.mjpg", "Door"), "");
  EXPECT_EQ(second.Take("c:/REC/a.mjpg", "Camera 2"), "Door") << "as Windows compares names";
  EXPECT_EQ(first.Take("C:\\rec\\a.mjpg", "Front door"), "");
  EXPECT_EQ(second.Take("C:\\rec\\a.mjpg", "Camera 2"), "Front door") << "the name follows a rename";
  EXPECT_EQ(second.Take("C:\\rec\\b.mjpg", "Camera 2"), "");
  EXPECT_EQ(first.Take("C:\\rec\\b.mjpg", "Door"), "Camera 2");
  EXPECT_EQ(second.Take("C:\\rec\\a.mjpg", "Camera 2"), "") << "a refused claim gave up the old one";
  {
    RecordingClaim gone(claims);
    EXPECT_EQ(gone.Take("C:\\rec\\c.mjpg", "Camera 5"), "");
  }
  EXPECT_EQ(first.Take("C:\\rec\\c.mjpg", "Door"), "") << "a camera that goes lets go";
}

TEST(CameraIdentityTest, TypedNamesAreTrimmedAndTheDefaultFollowsTheNumber) {
  const struct {
    const char* typed;
    int number;
    const char* stored;
    const char* shown;
  } cases[] = {{"Camera 2", 2, "", "Camera 2"}, {"Camera 2", 3, "Camera 2", "Camera 2"}, {"   ", 4, "", "Camera 4"}};
  for (const auto& c : cases) {
    CameraIdentity identity{};
    SetCameraName(identity, c.typed, c.number);
    EXPECT_STREQ(identity.name, c.stored) << c.typed;
    EXPECT_EQ(CameraName(identity, c.number), c.shown) << c.typed;
  }
}

}  // namespace
