#include "engine/cell_text.h"

#include <gtest/gtest.h>

#include "engine/cam_settings.h"

namespace {

TEST(CellTextTest, TitlesNameTheCamera) {
  EXPECT_EQ(CameraTitle(2), "Camera 2");
  EXPECT_EQ(CameraTitle(2, "IP Camera Setup"), "IP Camera Setup - Camera 2");
  EXPECT_EQ(CameraTitle(100, "DirectX Camera Setup"), "DirectX Camera Setup - Camera 100");
  // Outside the grid (a preview): the dialog's own title.
  EXPECT_EQ(CameraTitle(0, "IP Camera Setup"), "IP Camera Setup");
  EXPECT_EQ(CameraTitle(0), "");
  EXPECT_EQ(CameraTitle(3, nullptr), "Camera 3");
}

TEST(CellTextTest, EmptyCellsSayWhatTheyWaitFor) {
  // No source: how to get one. Its old texts do not matter.
  EmptyCellText text = DescribeEmptyCell(2, kNoCamera, "Failed to create save directory", "Disconnected");
  EXPECT_EQ(text.number, "Camera 2");
  EXPECT_EQ(text.line, "Right-click to set up");
  // A type the program does not know is no source either.
  EXPECT_EQ(DescribeEmptyCell(1, 7, "", "").line, "Right-click to set up");
  // A source: the camera's own problem first, then the source's, then the wait.
  EXPECT_EQ(DescribeEmptyCell(3, kIpCamera, "Unable to grab image from device", "Trying to connect...").line,
            "Unable to grab image from device");
  EXPECT_EQ(DescribeEmptyCell(3, kIpCamera, "", "Trying to connect...").line, "Trying to connect...");
  EXPECT_EQ(DescribeEmptyCell(3, kCaptureDevice, nullptr, nullptr).line, "Connecting...");
  EXPECT_EQ(DescribeEmptyCell(3, kIpCamera, "", "").number, "Camera 3");
  // Not a cell of the grid: nothing to say.
  text = DescribeEmptyCell(0, kNoCamera, "", "");
  EXPECT_TRUE(text.number.empty() && text.line.empty());
}

}  // namespace
