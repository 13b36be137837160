#pragma once
// The capture sources of a real camera worker: the IP camera dialog for an
// IP camera, the capture device dialog for a DirectShow device.

#include "engine/capture_source_win.h"
#include "sources/dx_cam_dlg_win.h"
#include "sources/ip_cam_dlg_win.h"

class CameraSourceFactory : public SourceFactory {
 public:
  CameraSourceFactory() = default;
  explicit CameraSourceFactory(IPCamDlg::Options options) : options_(options) {}

  std::unique_ptr<IpSource> CreateIpSource(HWND owner, bool show) override;
  std::unique_ptr<DeviceSource> CreateDeviceSource(HWND owner, bool show) override;

 private:
  IPCamDlg::Options options_;
};
