#pragma once
// The capture device dialog: the live picture of the chosen device above
// its device, format and input lists, whose positions are what the camera
// settings store (0 is the prompt of the device and format lists). Created
// hidden by the camera worker on its own thread, which polls it for frames;
// closing it only hides it.

#include <windows.h>

#include <vector>

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
  HWND List(int id) const { return GetDlgItem(dialog_, id); }
  int Selection(int id) const;
  void FillDeviceList();
  void FillFormatList(int devicePosition);
  void FillInputList();
  // Starts the graph with the chosen device and format; false when none is
  // chosen or it does not start.
  bool StartFromSelection();
  void StartFailure();
  void ClearFormatAndInputs();
  void OnDeviceSelected();
  void OnFormatSelected();

  CaptureGraph graph_;
  std::vector<CaptureFormat> formats_;  // as listed after the prompt
  int cameraNumber_ = 0;
};
