#pragma once
// One DirectShow capture graph for the device dialog: the chosen device's
// capture filter, a Sample Grabber that keeps the newest frame as RGB24 and
// the default video renderer, whose window sits in the dialog's preview
// control. It tells the devices, their formats and their video inputs; the
// dialog lists them. Lives on the camera worker's thread, which it joins to
// a single-threaded COM apartment.

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <windows.h>
// After dshow.h: ISampleGrabber.
#include <qedit.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/scoped_handle_win.h"

struct CaptureFormat {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  bool operator==(const CaptureFormat&) const = default;
};

// A video input of the device's crossbar: its pin and connector type.
struct CaptureInput {
  long pin = 0;
  long type = 0;
};

class CaptureGraph {
 public:
  using MessageBoxFn = std::function<int(HWND owner, const char* text, const char* title, UINT flags)>;

  // messageBox: null for MessageBoxA.
  explicit CaptureGraph(MessageBoxFn messageBox = nullptr);
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // The names of the devices in the order BindDevice counts them (one
  // whose name cannot be read left out); false when COM could not start.
  bool DeviceNames(std::vector<std::string>& names) const;
  // Device n (from 0, over every moniker of the category).
  bool BindDevice(int n, ComPtr<IBaseFilter>& filter);
  // The distinct video formats of the device at list position
  // devicePosition (1 for device 0), in the device's order; returns the
  // number of capabilities counted, -1 without an output pin.
  int Formats(int devicePosition, std::vector<CaptureFormat>& formats);
  // The video inputs of the running graph's crossbar; false without a graph.
  bool VideoInputs(std::vector<CaptureInput>& inputs) const;
  // Routes the n-th video input (the numbering of VideoInputs).
  void RouteInput(int n);
  bool StartCapture(int devicePosition, HWND host, int width, int height, int bitCount);
  HRESULT ApplyFormat(int width, int height, int bitCount);
  HRESULT AddGrabber();
  HRESULT AttachVideoWindow(HWND host, int width, int height);
  void StopCapture();
  // The newest sample into `picture` (its pixels exactly as the grabber
  // holds them, the 40-byte header as connected); false when there is none.
  bool GrabFrame(Picture& picture);
  void ShowDeviceSettings(HWND parent);

  // A message box as given to the constructor.
  int ShowBox(HWND owner, const char* text, const char* title, UINT flags) const;

  static HRESULT GetPin(IBaseFilter* filter, PIN_DIRECTION direction, int n, ComPtr<IPin>& pin);

 private:
  bool FindCrossbar(ComPtr<IAMCrossbar>& crossbar) const;

  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> captureFilter;
  ComPtr<IMediaControl> mediaControl;
  ComPtr<IVideoWindow> videoWindow;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  int32_t comReady = 0;
  // The device position of the running graph: its formats are read from
  // the running filter, another device's by binding that device.
  int runningDevice = 0;
  MessageBoxFn messageBox;
};
