#include "sources/dx_cam_dlg_win.h"

#include "engine/cell_text.h"
#include "framework/window_icon_win.h"

DXCamDlg::DXCamDlg(CaptureGraph::MessageBoxFn messageBox) : graph_(std::move(messageBox)) {}

DXCamDlg::~DXCamDlg() {
  // The renderer's window leaves the preview control before the dialog goes.
  graph_.StopCapture();
  if (dialog_) {
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}

void DXCamDlg::RestoreSelection(int32_t device, int32_t format, int32_t input) {
  graph_.RestoreSelection(device, format, input);
}

void DXCamDlg::GetSelection(int32_t& device, int32_t& format, int32_t& input) {
  graph_.GetSelection(device, format, input);
}

bool DXCamDlg::GrabFrame(Picture& picture) {
  return graph_.GrabFrame(picture);
}

void DXCamDlg::Show(bool show) {
  if (!dialog_) return;
  ShowWindow(dialog_, show ? SW_SHOW : SW_HIDE);
  SetForegroundWindow(dialog_);
}

void DXCamDlg::SetCameraNumber(int number) {
  cameraNumber_ = number;
  if (dialog_) SetWindowTextA(dialog_, CameraTitle(number, dxcam::kTitle).c_str());
}

INT_PTR DXCamDlg::OnInitDialog(HWND hwnd) {
  SetWindowIcons(hwnd, dxcam::kIcon);
  SetWindowTextA(hwnd, CameraTitle(cameraNumber_, dxcam::kTitle).c_str());
  graph_.Init(hwnd, GetDlgItem(hwnd, dxcam::kPreview), GetDlgItem(hwnd, dxcam::kDeviceList),
              GetDlgItem(hwnd, dxcam::kFormatList), GetDlgItem(hwnd, dxcam::kInputList));
  return 1;
}

INT_PTR DXCamDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  const bool selectionChange = HIWORD(wParam) == CBN_SELCHANGE;
  switch (LOWORD(wParam)) {
    case dxcam::kDeviceList:
      if (selectionChange) graph_.OnDeviceSelected();
      break;
    case dxcam::kFormatList:
      if (selectionChange) graph_.OnFormatSelected();
      break;
    case dxcam::kInputList:
      if (selectionChange) graph_.OnInputSelected();
      break;
    case dxcam::kSettingsButton:
      graph_.ShowDeviceSettings(hwnd);
      break;
    case dxcam::kOkButton:
    case IDOK:
    case IDCANCEL:
      ShowWindow(hwnd, SW_HIDE);
      break;
    default:
      break;
  }
  return 1;
}

INT_PTR DXCamDlg::OnClose() {
  if (dialog_) ShowWindow(dialog_, SW_HIDE);
  return 0;
}
