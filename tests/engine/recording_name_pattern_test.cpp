#include "engine/recording_name_pattern.h"

#include <gtest/gtest.h>

namespace {

using Numbering = RecordingNamePattern::Numbering;

struct Case {
  const char* pathTemplate;
  bool numbered;
  const char* path;
  bool own;
};

TEST(RecordingNamePatternTest, OnlyNamesTheTemplateCanProduce) {
  constexpr const char* kShared = "C:\\Cameras\\%B\\%d\\cam1.mjpg";
  constexpr const char* kPictures = "D:\\pics\\%Y%m%d\\img_.jpg";
  const Case cases[] = {
      {kShared, false, "C:\\Cameras\\December\\08\\cam1.mjpg", true},
      {kShared, false, "c:/cameras/DECEMBER/08/CAM1.MJPG", true},
      {kShared, false, "C:\\Cameras\\December\\08\\cam2.mjpg", false},  // another camera's
      {kShared, false, "C:\\Cameras\\holiday.jpg", false},              // a user's photo
      {kShared, false, "C:\\Cameras\\December\\holiday.jpg", false},
      {kShared, false, "C:\\Cameras\\December\\8\\cam1.mjpg", false},
      {kShared, false, "C:\\Cameras\\Dec\\ember\\08\\cam1.mjpg", false},
      {kShared, false, "C:\\Cameras\\December\\08\\x\\cam1.mjpg", false},
      {"C:\\Cameras\\%#d\\cam1.mjpg", false, "C:\\Cameras\\8\\cam1.mjpg", true},
      {"C:\\c\\%x\\cam1.mjpg", false, "C:\\c\\12\\08\\26\\cam1.mjpg", true},
      {"C:\\100%%\\%H.mjpg", false, "C:\\100%\\07.mjpg", true},
      {"C:\\100%%\\%H.mjpg", false, "C:\\100%%\\07.mjpg", false},
      // Numbered pictures: the number, unpadded, before the extension.
      {kPictures, true, "D:\\pics\\20261208\\img_17.jpg", true},
      {kPictures, true, "D:\\pics\\20261208\\img_0.jpg", true},
      {kPictures, true, "D:\\pics\\20261208\\img_.jpg", false},
      {kPictures, true, "D:\\pics\\20261208\\img_017.jpg", false},
      {kPictures, true, "D:\\pics\\20261208\\img_17x.jpg", false},
      {kPictures, false, "D:\\pics\\20261208\\img_17.jpg", false},
      {"D:\\pics\\%d\\noextension", true, "D:\\pics\\08\\noextension1", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RecordingNamePattern(c.pathTemplate, c.numbered).Matches(c.path), c.own)
        << c.pathTemplate << " " << c.path;
}

TEST(RecordingNamePatternTest, AnMp4RecordingMayCarryANumberWhereItsNameWasTaken) {
  const RecordingNamePattern own("C:\\c\\%d\\cam1.mp4", Numbering::kWhenTaken);
  for (const char* path : {"C:\\c\\08\\cam1.mp4", "C:\\c\\08\\cam12.mp4"}) EXPECT_TRUE(own.Matches(path)) << path;
  for (const char* path : {"C:\\c\\08\\cam1x.mp4", "C:\\c\\08\\cam102.mjpg", "C:\\c\\08\\cam1.mp"})
    EXPECT_FALSE(own.Matches(path)) << path;
}

}  // namespace
