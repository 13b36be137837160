#include "sources/dx_cam_dlg_win.h"

#include <string>

#include "common/fixed_text.h"
#include "engine/cell_text.h"
#include "framework/window_icon_win.h"
#include "sources/capture_text.h"

namespace {

constexpr char kDevicePrompt[] = "Select a device...";
constexpr char kNoDevices[] = "No Devices Detected";
constexpr char kFormatPrompt[] = "Select a format...";
constexpr char kStartFailure[] = "Failed to Initialize video,\ndevice may already be in use";

void ClearList(HWND list) {
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  EnableWindow(list, FALSE);
}

void AddEntry(HWND list, const char* text) {
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void InsertPrompt(HWND list, const char* text) {
  SendMessageA(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageA(list, CB_SETCURSEL, 0, 0);
}

}  // namespace

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
  if (device < 1 || format < 1) return;
  FillDeviceList();
  FillFormatList(device);
  SendMessageA(List(dxcam::kDeviceList), CB_SETCURSEL, static_cast<WPARAM>(device), 0);
  SendMessageA(List(dxcam::kFormatList), CB_SETCURSEL, static_cast<WPARAM>(format), 0);
  if (!StartFromSelection()) {
    StartFailure();
    return;
  }
  SendMessageA(List(dxcam::kInputList), CB_SETCURSEL, static_cast<WPARAM>(input), 0);
  graph_.RouteInput(input);
}

void DXCamDlg::GetSelection(int32_t& device, int32_t& format, int32_t& input) {
  device = Selection(dxcam::kDeviceList);
  format = Selection(dxcam::kFormatList);
  input = Selection(dxcam::kInputList);
}

int DXCamDlg::Selection(int id) const {
  return static_cast<int>(SendMessageA(List(id), CB_GETCURSEL, 0, 0));
}

void DXCamDlg::FillDeviceList() {
  std::vector<std::string> names;
  if (!graph_.DeviceNames(names)) return;
  HWND list = List(dxcam::kDeviceList);
  ClearList(list);
  if (names.empty()) {
    InsertPrompt(list, kNoDevices);
    return;
  }
  for (const std::string& name : names) AddEntry(list, name.c_str());
  EnableWindow(list, TRUE);
  InsertPrompt(list, kDevicePrompt);
}

void DXCamDlg::FillFormatList(int devicePosition) {
  HWND list = List(dxcam::kFormatList);
  ClearList(list);
  if (graph_.Formats(devicePosition, formats_) <= 0) return;
  for (const CaptureFormat& format : formats_) {
    char text[64];
    FormatCaptureEntry(text, sizeof text, format.width, format.height, format.bitCount);
    AddEntry(list, text);
  }
  EnableWindow(list, TRUE);
  InsertPrompt(list, kFormatPrompt);
}

void DXCamDlg::FillInputList() {
  std::vector<CaptureInput> inputs;
  if (!graph_.VideoInputs(inputs)) return;
  HWND list = List(dxcam::kInputList);
  ClearList(list);
  for (const CaptureInput& input : inputs) {
    char text[64];
    FormatText(text, sizeof text, "%ld: %s", input.pin, PinTypeName(input.type));
    AddEntry(list, text);
  }
  if (inputs.empty()) return;
  EnableWindow(list, TRUE);
  SendMessageA(list, CB_SETCURSEL, 0, 0);
}

bool DXCamDlg::StartFromSelection() {
  const int device = Selection(dxcam::kDeviceList);
  if (device <= 0) return false;
  const int format = Selection(dxcam::kFormatList);
  if (format == 0) {
    graph_.StopCapture();
    return false;
  }
  if (format < 0 || static_cast<size_t>(format) > formats_.size()) return false;
  const CaptureFormat& chosen = formats_[static_cast<size_t>(format) - 1];
  const bool started = graph_.StartCapture(device, List(dxcam::kPreview), chosen.width, chosen.height, chosen.bitCount);
  FillInputList();
  return started;
}

void DXCamDlg::ClearFormatAndInputs() {
  ClearList(List(dxcam::kFormatList));
  ClearList(List(dxcam::kInputList));
  formats_.clear();
  graph_.StopCapture();
}

void DXCamDlg::StartFailure() {
  graph_.ShowBox(List(dxcam::kPreview), kStartFailure, "Error", MB_ICONEXCLAMATION | MB_TOPMOST);
  SendMessageA(List(dxcam::kDeviceList), CB_SETCURSEL, 0, 0);
  ClearFormatAndInputs();
}

void DXCamDlg::OnDeviceSelected() {
  const int device = Selection(dxcam::kDeviceList);
  if (device > 0)
    FillFormatList(device);  // a running graph runs on until a format is chosen
  else
    ClearFormatAndInputs();
}

void DXCamDlg::OnFormatSelected() {
  if (Selection(dxcam::kFormatList) > 0) {
    if (!StartFromSelection()) StartFailure();
  } else {
    graph_.StopCapture();
  }
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
  FillDeviceList();
  EnableWindow(List(dxcam::kFormatList), FALSE);
  EnableWindow(List(dxcam::kInputList), FALSE);
  return 1;
}

INT_PTR DXCamDlg::OnCommand(HWND hwnd, WPARAM wParam, LPARAM) {
  const bool selectionChange = HIWORD(wParam) == CBN_SELCHANGE;
  switch (LOWORD(wParam)) {
    case dxcam::kDeviceList:
      if (selectionChange) OnDeviceSelected();
      break;
    case dxcam::kFormatList:
      if (selectionChange) OnFormatSelected();
      break;
    case dxcam::kInputList:
      if (selectionChange) graph_.RouteInput(Selection(dxcam::kInputList));
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
