#pragma once
// What the web server needs of the cameras: how many there are, camera n's
// current picture as JPEG, and, for the live streams, when it changes, which
// camera object stands at n, its raw picture and the grid they are laid out
// in. The shell hands the server its camera list through CameraListCameras;
// tests hand it fake cameras.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/picture.h"
#include "engine/cell_text.h"
#include "engine/frame_slot.h"
#include "web/grid_picture.h"

class WebCameras {
 public:
  virtual ~WebCameras() = default;
  // The number of cameras; camera numbers run from 1 to Count().
  virtual int Count() const = 0;
  // Camera `number` (1 to Count()) encodes its current picture into `jpeg`;
  // false when it has none yet. The buffer then belongs to the server, which
  // grows it in place for the response headers.
  virtual bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) = 0;
  // Changes with every new picture of camera `number`.
  virtual uint64_t PictureSerial(int number) const = 0;
  // Wakes its subscribers when camera `number`'s picture changes or the
  // camera moves or goes; null for a camera out of range.
  virtual std::shared_ptr<WakeList> PictureChanges(int number) const = 0;
  // The camera object now at `number`, the same while it lives there; null
  // out of range. A stream ends when it changes.
  virtual const void* CameraKey(int number) const = 0;
  // Camera `number`'s current picture, null without one or while its signal
  // is lost; valid until the
  // camera's next picture.
  virtual const Picture* CurrentPicture(int number) const = 0;
  virtual WebGridShape GridShape() const = 0;
  // Camera `number`'s name and what it is doing, for the live page.
  virtual std::string Name(int number) const { return CameraTitle(number); }
  virtual CameraStatus Status(int number) const {
    return CurrentPicture(number) ? CameraStatus{CameraState::kLive, "Live"}
                                  : CameraStatus{CameraState::kConnecting, "Connecting..."};
  }
};

// Adapts a live list of camera pointers (raw or smart), such as the main
// window's CamWnd list: entry n-1 is camera n, and each entry offers
// `bool GrabJpeg(std::vector<unsigned char>&)`, `uint64_t PictureSerial()`,
// `std::shared_ptr<WakeList> PictureChanges()`,
// `bool HasLivePicture()`, `const Picture& CurrentPicture()`, `std::string
// Name()` and `CameraStatus Status()`. The list is
// read on every request, so cameras added or removed later are seen; it must
// outlive the adapter. `shape` gives the grid the list is laid out in.
template <typename List>
class CameraListCameras : public WebCameras {
 public:
  explicit CameraListCameras(const List& list, std::function<WebGridShape()> shape = {})
      : list_(list), shape_(std::move(shape)) {}
  int Count() const override { return static_cast<int>(list_.size()); }
  bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) override {
    auto* camera = At(number);
    return camera && camera->GrabJpeg(jpeg);
  }
  uint64_t PictureSerial(int number) const override {
    auto* camera = At(number);
    return camera ? camera->PictureSerial() : 0;
  }
  std::shared_ptr<WakeList> PictureChanges(int number) const override {
    auto* camera = At(number);
    return camera ? camera->PictureChanges() : nullptr;
  }
  const void* CameraKey(int number) const override { return At(number); }
  const Picture* CurrentPicture(int number) const override {
    auto* camera = At(number);
    return camera && camera->HasLivePicture() ? &camera->CurrentPicture() : nullptr;
  }
  WebGridShape GridShape() const override { return shape_ ? shape_() : WebGridShape{}; }
  std::string Name(int number) const override {
    auto* camera = At(number);
    return camera ? camera->Name() : WebCameras::Name(number);
  }
  CameraStatus Status(int number) const override {
    auto* camera = At(number);
    return camera ? camera->Status() : CameraStatus{CameraState::kNoSource, "No source"};
  }

 private:
  auto* At(int number) const {
    using Camera = std::remove_reference_t<decltype(*list_[0])>;
    Camera* camera = nullptr;
    if (number >= 1 && static_cast<size_t>(number) <= list_.size()) {
      const auto& entry = list_[static_cast<size_t>(number - 1)];
      if (entry) camera = &*entry;
    }
    return camera;
  }

  const List& list_;
  std::function<WebGridShape()> shape_;
};
