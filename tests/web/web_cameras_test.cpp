#include "web/web_cameras.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Stands in for the camera display object: the same GrabJpeg shape.
struct FakeCamWnd {
  unsigned char mark;
  bool hasPicture;
  bool GrabJpeg(std::vector<unsigned char>& jpeg) {
    if (!hasPicture) return false;
    jpeg.assign(3, mark);
    return true;
  }
};

TEST(CameraListCameras, NumbersTheListFromOneAndFollowsItLive) {
  std::vector<std::unique_ptr<FakeCamWnd>> list;
  list.push_back(std::make_unique<FakeCamWnd>(FakeCamWnd{1, true}));
  list.push_back(std::make_unique<FakeCamWnd>(FakeCamWnd{2, false}));
  CameraListCameras cameras(list);
  EXPECT_EQ(cameras.Count(), 2);
  std::vector<unsigned char> jpeg;
  ASSERT_TRUE(cameras.GrabJpeg(1, jpeg));
  EXPECT_EQ(jpeg, std::vector<unsigned char>(3, 1));
  EXPECT_FALSE(cameras.GrabJpeg(2, jpeg));  // no picture yet
  EXPECT_FALSE(cameras.GrabJpeg(0, jpeg));
  EXPECT_FALSE(cameras.GrabJpeg(3, jpeg));

  list.push_back(std::make_unique<FakeCamWnd>(FakeCamWnd{3, true}));
  EXPECT_EQ(cameras.Count(), 3);
  ASSERT_TRUE(cameras.GrabJpeg(3, jpeg));
  EXPECT_EQ(jpeg, std::vector<unsigned char>(3, 3));
}

TEST(CameraListCameras, TakesRawPointersAndSkipsEmptyEntries) {
  FakeCamWnd first{7, true};
  std::vector<FakeCamWnd*> list{&first, nullptr};
  CameraListCameras cameras(list);
  std::vector<unsigned char> jpeg;
  EXPECT_TRUE(cameras.GrabJpeg(1, jpeg));
  EXPECT_FALSE(cameras.GrabJpeg(2, jpeg));
}

}  // namespace
