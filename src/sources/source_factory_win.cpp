#include "sources/source_factory_win.h"

std::unique_ptr<IpSource> CameraSourceFactory::CreateIpSource(HWND owner, bool show) {
  auto dialog = std::make_unique<IPCamDlg>(options_);
  if (!dialog->Create(owner, ipcam::kTemplate, show)) return nullptr;
  return dialog;
}

std::unique_ptr<DeviceSource> CameraSourceFactory::CreateDeviceSource(HWND owner, bool show) {
  auto dialog = std::make_unique<DXCamDlg>();
  if (!dialog->Create(owner, dxcam::kTemplate, show)) return nullptr;
  return dialog;
}
