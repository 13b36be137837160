#pragma once
// One DirectShow capture graph for the device dialog: the chosen device's
// capture filter, a Sample Grabber that keeps the newest frame as RGB24 and
// the default video renderer, whose window sits in the dialog's preview
// control. It also fills and answers the dialog's device, format and input
// lists, whose positions are what the camera settings store (0 is the
// prompt of the device and format lists). Lives on the camera worker's
// thread, which it joins to a single-threaded COM apartment.

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <windows.h>
// After dshow.h: ISampleGrabber.
#include <qedit.h>

#include <cstdint>
#include <functional>

#include "common/picture.h"
#include "common/scoped_handle_win.h"

class CaptureGraph {
 public:
  using MessageBoxFn = std::function<int(HWND owner, const char* text, const char* title, UINT flags)>;

  // messageBox: null for MessageBoxA.
  explicit CaptureGraph(MessageBoxFn messageBox = nullptr);
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  void Init(HWND dialog, HWND videoHost, HWND deviceList, HWND formatList, HWND inputList);
  // The number of devices listed.
  int FillDeviceList(HWND list);
  // Device n (from 0, over every moniker of the category).
  bool BindDevice(int n, ComPtr<IBaseFilter>& filter);
  // The number of capabilities counted, -1 without an output pin.
  int FillFormatList(int devicePosition, HWND list);
  // The number of video inputs listed.
  int FillInputList(HWND list);
  // Routes the n-th video input (the numbering of the input list).
  void RouteInput(int n);
  bool StartCapture(int devicePosition, HWND host, int width, int height, int bitCount);
  HRESULT ApplyFormat(int width, int height, int bitCount);
  HRESULT AddGrabber();
  HRESULT AttachVideoWindow(HWND host, int width, int height);
  void StopCapture();
  bool StartFromSelection();

  void OnDeviceSelected();
  void OnFormatSelected();
  void OnInputSelected();
  void RestoreSelection(int32_t deviceIndex, int32_t formatIndex, int32_t inputIndex);
  // -1 for a list without selection.
  void GetSelection(int32_t& deviceIndex, int32_t& formatIndex, int32_t& inputIndex) const;
  // The newest sample into `picture` (its pixels exactly as the grabber
  // holds them, the 40-byte header as connected); false when there is none.
  bool GrabFrame(Picture& picture);
  void ShowDeviceSettings(HWND parent);

  static HRESULT GetPin(IBaseFilter* filter, PIN_DIRECTION direction, int n, ComPtr<IPin>& pin);

 private:
  // The n-th input pin that is a video connector (or one past the last
  // pin) and the first video decoder output (or one past the last).
  void FindRoute(IAMCrossbar* crossbar, int n, long& output, long& input) const;
  bool FindCrossbar(ComPtr<IAMCrossbar>& crossbar) const;
  void StartFailure();
  void ClearFormatAndInputs();
  int Selection(HWND list) const;

  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> captureFilter;
  ComPtr<IMediaControl> mediaControl;
  ComPtr<IVideoWindow> videoWindow;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  int32_t comReady = 0;
  HWND dialog = nullptr;
  HWND videoHost = nullptr;
  HWND deviceList = nullptr;
  HWND formatList = nullptr;
  HWND inputList = nullptr;
  // The device position of the running graph: its formats are read from
  // the running filter, another device's by binding that device.
  int runningDevice = 0;
  MessageBoxFn messageBox;
};
