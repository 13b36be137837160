#pragma once
// The capture device dialog: the live picture of the chosen device above
// its device, format and input lists. Created hidden by the camera worker on
// its own thread, which polls it for frames; closing it only hides it.

#include <windows.h>

#include "engine/capture_source_win.h"
#include "framework/dialogs_win.h"
#include "sources/capture_graph_win.h"

namespace dxcam {
inline constexpr int kTemplate = 105;
inline constexpr int kIcon = 199;
inline constexpr int kPreview = 1021;
inline constexpr int kDeviceList = 1031;
inline constexpr int kFormatList = 1032;
inline constexpr int kInputList = 1033;
inline constexpr int kSettingsButton = 1051;
inline constexpr int kOkButton = 1052;
inline constexpr char kTitle[] = "DirectX Camera Setup";
}  // namespace dxcam

class DXCamDlg : public ModelessDlg, public DeviceSource {
 public:
  // messageBox: null for MessageBoxA.
  explicit DXCamDlg(CaptureGraph::MessageBoxFn messageBox = nullptr);
  ~DXCamDlg() override;

  void RestoreSelection(int32_t device, int32_t format, int32_t input) override;
  void GetSelection(int32_t& device, int32_t& format, int32_t& input) override;
  bool GrabFrame(Picture& picture) override;
  void Show(bool show) override;
  void SetCameraNumber(int number) override;

  INT_PTR OnInitDialog(HWND hwnd) override;
  INT_PTR OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose() override;

 private:
  CaptureGraph graph_;
  int cameraNumber_ = 0;
};
