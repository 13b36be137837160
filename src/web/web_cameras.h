#pragma once
// What the web server needs of the cameras: how many there are, and camera
// n's current picture as JPEG. The shell hands the server its camera list
// through CameraListCameras; tests hand it fake cameras.

#include <cstddef>
#include <vector>

class WebCameras {
 public:
  virtual ~WebCameras() = default;
  // The number of cameras; camera numbers run from 1 to Count().
  virtual int Count() const = 0;
  // Camera `number` (1 to Count()) encodes its current picture into `jpeg`;
  // false when it has none yet. The buffer then belongs to the server, which
  // grows it in place for the response headers.
  virtual bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) = 0;
};

// Adapts a live list of camera pointers (raw or smart), such as the main
// window's CamWnd list: entry n-1 is camera n, and each entry offers
// `bool GrabJpeg(std::vector<unsigned char>&)`. The list is read on every
// request, so cameras added or removed later are seen; it must outlive the
// adapter.
template <typename List>
class CameraListCameras : public WebCameras {
 public:
  explicit CameraListCameras(const List& list) : list_(list) {}
  int Count() const override { return static_cast<int>(list_.size()); }
  bool GrabJpeg(int number, std::vector<unsigned char>& jpeg) override {
    if (number < 1 || static_cast<size_t>(number) > list_.size()) return false;
    auto& camera = list_[static_cast<size_t>(number - 1)];
    return camera && camera->GrabJpeg(jpeg);
  }

 private:
  const List& list_;
};
