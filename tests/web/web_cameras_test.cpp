#include "web/web_cameras.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "web/cameras_json.h"

namespace {

// Stands in for the camera display object: the same GrabJpeg shape.
struct FakeCamWnd {
  unsigned char mark;
  bool hasPicture;
  uint64_t serial = 0;
  Picture picture{};
  bool GrabJpeg(std::vector<unsigned char>& jpeg) {
    if (!hasPicture) return false;
    jpeg.assign(3, mark);
    return true;
  }
  uint64_t PictureSerial() const { return serial; }
  std::shared_ptr<WakeList> changes = std::make_shared<WakeList>();
  const std::shared_ptr<WakeList>& PictureChanges() const { return changes; }
  bool signalLost = false;
  bool HasLivePicture() const { return hasPicture && !signalLost; }
  const Picture& CurrentPicture() const { return picture; }
  std::string name = "Camera";
  CameraStatus status{CameraState::kLive, "Live"};
  std::string Name() const { return name; }
  CameraStatus Status() const { return status; }
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

TEST(CameraListCameras, KeysSerialsPicturesAndShapeFollowTheList) {
  std::vector<std::unique_ptr<FakeCamWnd>> list;
  list.push_back(std::make_unique<FakeCamWnd>(FakeCamWnd{1, true, 5}));
  list.push_back(std::make_unique<FakeCamWnd>(FakeCamWnd{2, false, 9}));
  WebGridShape shape{2, 1, 0.5};
  CameraListCameras cameras(list, [&] { return shape; });
  EXPECT_EQ(cameras.CameraKey(1), list[0].get());
  EXPECT_EQ(cameras.CameraKey(0), nullptr);
  EXPECT_EQ(cameras.CameraKey(3), nullptr);
  EXPECT_EQ(cameras.PictureSerial(1), 5u);
  list[0]->serial = 6;
  EXPECT_EQ(cameras.PictureSerial(1), 6u);
  EXPECT_EQ(cameras.CurrentPicture(1), &list[0]->picture);
  EXPECT_EQ(cameras.CurrentPicture(2), nullptr) << "no picture";
  list[0]->signalLost = true;
  EXPECT_EQ(cameras.CurrentPicture(1), nullptr) << "an old picture is no news";
  EXPECT_EQ(cameras.GridShape().columns, 2);
  // A camera replaced at the same number has another key.
  const void* before = cameras.CameraKey(2);
  list[1] = std::make_unique<FakeCamWnd>(FakeCamWnd{3, true});
  EXPECT_NE(cameras.CameraKey(2), before);
  EXPECT_EQ(CameraListCameras(list).GridShape().columns, WebGridShape{}.columns);
}

}  // namespace

TEST(CamerasJson, NamesStatesAndTheGridsCells) {
  FakeCamWnd door{1, true}, lost{2, false}, none{3, false};
  door.name = "Door \"A\"\\\x01\xE9";
  lost.status = {CameraState::kNoSignal, "No signal since 14:02:10"};
  none.status = {CameraState::kNoSource, "No source"};
  std::vector<FakeCamWnd*> list{&door, &lost, &none};
  CameraListCameras cameras(list, [] { return WebGridShape{2, 2, 0.75}; });
  EXPECT_EQ(CamerasJson(cameras),
            "{\"columns\":2,\"rows\":2,\"cellWidth\":634,\"cellHeight\":476,\"gap\":4,\"cameras\":["
            "{\"number\":1,\"name\":\"Door \\\"A\\\"\\\\\\u0001\\u00e9\",\"state\":\"live\",\"text\":\"Live\"},"
            "{\"number\":2,\"name\":\"Camera\",\"state\":\"lost\",\"text\":\"No signal since 14:02:10\"},"
            "{\"number\":3,\"name\":\"Camera\",\"state\":\"none\",\"text\":\"No source\"}]}");
}
