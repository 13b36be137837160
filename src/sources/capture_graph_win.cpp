#include "sources/capture_graph_win.h"

#include <cstring>
#include <vector>

#include "common/fixed_text.h"
#include "sources/capture_text.h"

// Present in libstrmiids but not declared by the mingw headers.
extern "C" const CLSID CLSID_SampleGrabber;

namespace {

constexpr int kNameBytes = 2048;
constexpr char kDevicePrompt[] = "Select a device...";
constexpr char kNoDevices[] = "No Devices Detected";
constexpr char kFormatPrompt[] = "Select a format...";
constexpr char kStartFailure[] = "Failed to Initialize video,\ndevice may already be in use";

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));

// A media type from GetStreamCaps or GetConnectedMediaType: frees its
// format block (and the type itself when it came from the heap).
class MediaType {
 public:
  MediaType() = default;
  ~MediaType() {
    FreeFormat(type_);
    if (heap_) CoTaskMemFree(heap_);
  }
  MediaType(const MediaType&) = delete;
  MediaType& operator=(const MediaType&) = delete;
  AM_MEDIA_TYPE** PutHeap() { return &heap_; }
  AM_MEDIA_TYPE* Local() { return &type_; }
  const AM_MEDIA_TYPE* Get() const { return heap_ ? heap_ : &type_; }
  // The video header of a FORMAT_VideoInfo type with a whole format block.
  const VIDEOINFOHEADER* VideoInfo() const {
    const AM_MEDIA_TYPE* type = Get();
    if (type->formattype != FORMAT_VideoInfo || !type->pbFormat || type->cbFormat < sizeof(VIDEOINFOHEADER))
      return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  }

 private:
  static void FreeFormat(AM_MEDIA_TYPE& type) {
    if (type.cbFormat || type.pbFormat) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    type = AM_MEDIA_TYPE{};
  }
  AM_MEDIA_TYPE type_{};
  AM_MEDIA_TYPE* heap_ = nullptr;
};

int ShowBox(const CaptureGraph::MessageBoxFn& messageBox, HWND owner, const char* text, const char* title, UINT flags) {
  return messageBox ? messageBox(owner, text, title, flags) : MessageBoxA(owner, text, title, flags);
}

void ClearList(HWND list) {
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  EnableWindow(list, FALSE);
}

void InsertPrompt(HWND list, const char* text) {
  SendMessageA(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageA(list, CB_SETCURSEL, 0, 0);
}

bool CreateDeviceEnumerator(ComPtr<IEnumMoniker>& monikers) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.PutVoid())))
    return false;
  // S_FALSE: the category has no devices and no enumerator comes back.
  const HRESULT result = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0);
  return SUCCEEDED(result) && monikers;
}

// The device's "FriendlyName" in the ANSI code page.
bool ReadFriendlyName(IMoniker* moniker, char (&name)[kNameBytes]) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()))) return false;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  const bool read = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal;
  if (read) {
    if (WideCharToMultiByte(CP_ACP, 0, value.bstrVal, -1, name, kNameBytes, nullptr, nullptr) == 0) {
      // Too long: keep what fitted.
      name[kNameBytes - 1] = '\0';
    }
  }
  VariantClear(&value);
  return read;
}

bool ListText(HWND list, int position, std::vector<char>& text) {
  const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(position), 0);
  if (length == CB_ERR) return false;
  text.assign(static_cast<size_t>(length) + 1, '\0');
  return SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.data())) !=
         CB_ERR;
}

}  // namespace

CaptureGraph::CaptureGraph(MessageBoxFn messageBox) : messageBox(std::move(messageBox)) {
  comReady = SUCCEEDED(CoInitialize(nullptr)) ? 1 : 0;
  if (!comReady) ShowBox(this->messageBox, nullptr, "CoInitialize Failed", "Error", MB_ICONHAND | MB_TOPMOST);
}

CaptureGraph::~CaptureGraph() {
  StopCapture();
  if (comReady) CoUninitialize();
}

void CaptureGraph::Init(HWND dialogWindow, HWND host, HWND devices, HWND formats, HWND inputs) {
  dialog = dialogWindow;
  videoHost = host;
  deviceList = devices;
  formatList = formats;
  inputList = inputs;
  FillDeviceList(deviceList);
  EnableWindow(formatList, FALSE);
  EnableWindow(inputList, FALSE);
}

int CaptureGraph::FillDeviceList(HWND list) {
  if (!comReady) return 0;
  ClearList(list);
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.PutVoid())))
    return 0;
  ComPtr<IEnumMoniker> monikers;
  const HRESULT result = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0);
  if (FAILED(result) || !monikers) {
    InsertPrompt(list, kNoDevices);
    return 0;
  }
  monikers->Reset();
  int count = 0;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.Put(), nullptr) == S_OK) {
    char name[kNameBytes];
    if (ReadFriendlyName(moniker.Get(), name)) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      ++count;
    }
  }
  if (count > 0) {
    EnableWindow(list, TRUE);
    InsertPrompt(list, kDevicePrompt);
  }
  return count;
}

bool CaptureGraph::BindDevice(int n, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  ComPtr<IEnumMoniker> monikers;
  if (n < 0 || !CreateDeviceEnumerator(monikers)) return false;
  monikers->Reset();
  ComPtr<IMoniker> moniker;
  for (int k = 0; monikers->Next(1, moniker.Put(), nullptr) == S_OK; ++k) {
    if (k != n) continue;
    char name[kNameBytes];
    if (!ReadFriendlyName(moniker.Get(), name)) return false;
    return SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) && filter;
  }
  return false;
}

int CaptureGraph::FillFormatList(int devicePosition, HWND list) {
  ClearList(list);
  if (devicePosition < 1) return 0;
  ComPtr<IPin> pin;
  if (captureFilter && devicePosition == runningDevice) {
    GetPin(captureFilter.Get(), PINDIR_OUTPUT, 0, pin);
  } else {
    ComPtr<IBaseFilter> filter;
    if (BindDevice(devicePosition - 1, filter)) GetPin(filter.Get(), PINDIR_OUTPUT, 0, pin);
  }
  if (!pin) return -1;
  ComPtr<IAMStreamConfig> config;
  int count = 0;
  int size = 0;
  if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid())) ||
      FAILED(config->GetNumberOfCapabilities(&count, &size)) || size <= 0)
    return 0;
  std::vector<BYTE> caps(static_cast<size_t>(size));
  int counted = 0;
  for (int i = 0; i < count; ++i) {
    MediaType type;
    if (FAILED(config->GetStreamCaps(i, type.PutHeap(), caps.data())) || !type.Get()) continue;
    ++counted;
    const VIDEOINFOHEADER* info = type.VideoInfo();
    if (type.Get()->majortype != MEDIATYPE_Video || !info || info->bmiHeader.biBitCount == 0) continue;
    char text[64];
    FormatCaptureEntry(text, sizeof text, info->bmiHeader.biWidth, info->bmiHeader.biHeight,
                       info->bmiHeader.biBitCount);
    if (SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)) == CB_ERR)
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  if (counted > 0) {
    EnableWindow(list, TRUE);
    InsertPrompt(list, kFormatPrompt);
  }
  return counted;
}

bool CaptureGraph::FindCrossbar(ComPtr<IAMCrossbar>& crossbar) const {
  if (!builder || !captureFilter) return false;
  return SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter.Get(), IID_IAMCrossbar,
                                          crossbar.PutVoid())) &&
         crossbar;
}

int CaptureGraph::FillInputList(HWND list) {
  if (!builder) return 0;
  ClearList(list);
  ComPtr<IAMCrossbar> crossbar;
  if (!FindCrossbar(crossbar)) return 0;
  long outputs = 0;
  long inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return 0;
  int count = 0;
  for (long i = 0; i < inputs; ++i) {
    long related = 0;
    long type = 0;
    if (crossbar->get_CrossbarPinInfo(TRUE, i, &related, &type) != S_OK || type >= kFirstAudioConnector) continue;
    char text[64];
    FormatText(text, sizeof text, "%ld: %s", i, PinTypeName(type));
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    ++count;
  }
  if (count > 0) {
    EnableWindow(list, TRUE);
    SendMessageA(list, CB_SETCURSEL, 0, 0);
  }
  return count;
}

void CaptureGraph::FindRoute(IAMCrossbar* crossbar, int n, long& output, long& input) const {
  long outputs = 0;
  long inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) outputs = inputs = 0;
  input = inputs;
  for (long i = 0, video = 0; i < inputs; ++i) {
    long related = 0;
    long type = 0;
    if (crossbar->get_CrossbarPinInfo(TRUE, i, &related, &type) != S_OK || type >= kFirstAudioConnector) continue;
    if (video++ == n) {
      input = i;
      break;
    }
  }
  output = outputs;
  for (long o = 0; o < outputs; ++o) {
    long related = 0;
    long type = 0;
    if (SUCCEEDED(crossbar->get_CrossbarPinInfo(FALSE, o, &related, &type)) && type == kVideoDecoderConnector) {
      output = o;
      break;
    }
  }
}

void CaptureGraph::RouteInput(int n) {
  ComPtr<IAMCrossbar> crossbar;
  if (!FindCrossbar(crossbar)) return;
  long output = 0;
  long input = 0;
  FindRoute(crossbar.Get(), n, output, input);
  crossbar->Route(output, input);  // a failed route leaves the crossbar as it was
}

bool CaptureGraph::StartCapture(int devicePosition, HWND host, int width, int height, int bitCount) {
  StopCapture();
  if (devicePosition < 1) return false;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                       graph.PutVoid())) &&
            SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ICaptureGraphBuilder2, builder.PutVoid())) &&
            SUCCEEDED(builder->SetFiltergraph(graph.Get()));
  ok = ok && BindDevice(devicePosition - 1, captureFilter) &&
       SUCCEEDED(graph->AddFilter(captureFilter.Get(), L"Video Capture"));
  ok = ok && SUCCEEDED(graph->QueryInterface(IID_IMediaControl, mediaControl.PutVoid())) &&
       SUCCEEDED(graph->QueryInterface(IID_IVideoWindow, videoWindow.PutVoid()));
  ok = ok && SUCCEEDED(ApplyFormat(width, height, bitCount)) && SUCCEEDED(AddGrabber());
  // Success codes included: Wine answers VFW_S_NOPREVIEWPIN and puts in a Smart Tee.
  ok = ok && SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, captureFilter.Get(),
                                             grabberFilter.Get(), nullptr));
  ok = ok && SUCCEEDED(AttachVideoWindow(host, width, height)) && SUCCEEDED(mediaControl->Run());
  if (!ok) {
    StopCapture();
    return false;
  }
  runningDevice = devicePosition;
  RouteInput(0);
  return true;
}

HRESULT CaptureGraph::ApplyFormat(int width, int height, int bitCount) {
  if (!captureFilter) return S_OK;
  ComPtr<IPin> pin;
  ComPtr<IAMStreamConfig> config;
  if (FAILED(GetPin(captureFilter.Get(), PINDIR_OUTPUT, 0, pin)) ||
      FAILED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid())))
    return S_OK;
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size <= 0) return S_OK;
  std::vector<BYTE> caps(static_cast<size_t>(size));
  for (int i = 0; i < count; ++i) {
    MediaType type;
    if (FAILED(config->GetStreamCaps(i, type.PutHeap(), caps.data())) || !type.Get()) continue;
    const VIDEOINFOHEADER* info = type.VideoInfo();
    if (type.Get()->majortype != MEDIATYPE_Video || !info) continue;
    if (info->bmiHeader.biBitCount == bitCount && info->bmiHeader.biWidth == width &&
        info->bmiHeader.biHeight == height)
      return config->SetFormat(const_cast<AM_MEDIA_TYPE*>(type.Get()));
  }
  return S_OK;
}

HRESULT CaptureGraph::AddGrabber() {
  HRESULT result =
      CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, grabberFilter.PutVoid());
  if (SUCCEEDED(result)) result = graph->AddFilter(grabberFilter.Get(), L"Sample Grabber");
  if (SUCCEEDED(result)) result = grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.PutVoid());
  if (FAILED(result)) return result;
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  result = grabber->SetMediaType(&type);
  if (SUCCEEDED(result)) result = grabber->SetOneShot(FALSE);
  if (SUCCEEDED(result)) result = grabber->SetBufferSamples(TRUE);
  return result;
}

HRESULT CaptureGraph::AttachVideoWindow(HWND host, int width, int height) {
  RECT client{};
  GetClientRect(host, &client);
  const auto owner = reinterpret_cast<OAHWND>(host);
  HRESULT result = videoWindow->put_Owner(owner);
  if (SUCCEEDED(result)) result = videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN);
  if (SUCCEEDED(result)) result = videoWindow->put_Width(width);
  if (SUCCEEDED(result)) result = videoWindow->put_Height(height);
  if (SUCCEEDED(result)) result = videoWindow->SetWindowPosition(0, 0, client.right, client.bottom);
  if (SUCCEEDED(result)) result = videoWindow->put_Visible(OATRUE);
  if (SUCCEEDED(result)) result = videoWindow->put_MessageDrain(owner);
  return result;
}

void CaptureGraph::StopCapture() {
  if (mediaControl) mediaControl->StopWhenReady();
  if (videoWindow) {
    videoWindow->put_Visible(OAFALSE);
    videoWindow->put_Owner(0);
  }
  mediaControl.Reset();
  videoWindow.Reset();
  graph.Reset();
  captureFilter.Reset();
  grabberFilter.Reset();
  grabber.Reset();
  builder.Reset();
  runningDevice = 0;
}

int CaptureGraph::Selection(HWND list) const {
  return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
}

bool CaptureGraph::StartFromSelection() {
  const int device = Selection(deviceList);
  if (device <= 0) return false;
  const int format = Selection(formatList);
  if (format == 0) {
    StopCapture();
    return false;
  }
  std::vector<char> text;
  if (format < 0 || !ListText(formatList, format, text)) return false;
  int width = 0;
  int height = 0;
  int bitCount = 0;
  if (!ParseCaptureEntry(text.data(), width, height, bitCount)) return false;
  const bool started = StartCapture(device, videoHost, width, height, bitCount);
  FillInputList(inputList);
  return started;
}

void CaptureGraph::ClearFormatAndInputs() {
  ClearList(formatList);
  ClearList(inputList);
  StopCapture();
}

void CaptureGraph::OnDeviceSelected() {
  const int device = Selection(deviceList);
  if (device > 0)
    FillFormatList(device, formatList);  // a running graph runs on until a format is chosen
  else
    ClearFormatAndInputs();
}

void CaptureGraph::StartFailure() {
  ShowBox(messageBox, videoHost, kStartFailure, "Error", MB_ICONEXCLAMATION | MB_TOPMOST);
  SendMessageA(deviceList, CB_SETCURSEL, 0, 0);
  ClearFormatAndInputs();
}

void CaptureGraph::OnFormatSelected() {
  if (Selection(formatList) > 0) {
    if (!StartFromSelection()) StartFailure();
  } else {
    StopCapture();
  }
}

void CaptureGraph::OnInputSelected() {
  RouteInput(Selection(inputList));
}

void CaptureGraph::RestoreSelection(int32_t deviceIndex, int32_t formatIndex, int32_t inputIndex) {
  if (deviceIndex < 1 || formatIndex < 1) return;
  FillDeviceList(deviceList);
  FillFormatList(deviceIndex, formatList);
  SendMessageA(deviceList, CB_SETCURSEL, static_cast<WPARAM>(deviceIndex), 0);
  SendMessageA(formatList, CB_SETCURSEL, static_cast<WPARAM>(formatIndex), 0);
  if (!StartFromSelection()) {
    StartFailure();
    return;
  }
  SendMessageA(inputList, CB_SETCURSEL, static_cast<WPARAM>(inputIndex), 0);
  RouteInput(inputIndex);
}

void CaptureGraph::GetSelection(int32_t& deviceIndex, int32_t& formatIndex, int32_t& inputIndex) const {
  deviceIndex = Selection(deviceList);
  formatIndex = Selection(formatList);
  inputIndex = Selection(inputList);
}

bool CaptureGraph::GrabFrame(Picture& picture) {
  if (!grabber) return false;
  long size = 0;
  if (FAILED(grabber->GetCurrentBuffer(&size, nullptr)) || size <= 0) return false;
  picture.pixels.resize(static_cast<size_t>(size));
  MediaType type;
  const bool ok = SUCCEEDED(grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(picture.pixels.data()))) &&
                  size > 0 && static_cast<size_t>(size) <= picture.pixels.size() &&
                  SUCCEEDED(grabber->GetConnectedMediaType(type.Local())) && type.VideoInfo();
  if (!ok) {
    picture.pixels.clear();
    return false;
  }
  picture.pixels.resize(static_cast<size_t>(size));
  picture.pictureInfo = PictureInfo{};
  std::memcpy(&picture.pictureInfo.header, &type.VideoInfo()->bmiHeader, sizeof(BitmapInfoHeader));
  // A sample shorter than its header says would be read past its end.
  if (!picture.HasPixels()) {
    picture.pixels.clear();
    return false;
  }
  return true;
}

void CaptureGraph::ShowDeviceSettings(HWND parent) {
  if (!mediaControl || !captureFilter) return;
  using CreateFrameFn =
      HRESULT(WINAPI*)(HWND, UINT, UINT, LPCOLESTR, ULONG, IUnknown**, ULONG, CLSID*, LCID, DWORD, void*);
  ScopedModule oleaut(LoadLibraryA("OleAut32.dll"));
  const auto createFrame = oleaut ? reinterpret_cast<CreateFrameFn>(
                                        reinterpret_cast<void*>(GetProcAddress(oleaut.Get(), "OleCreatePropertyFrame")))
                                  : nullptr;
  ComPtr<ISpecifyPropertyPages> specify;
  ComPtr<IUnknown> object;
  FILTER_INFO info{};
  if (!createFrame || FAILED(captureFilter->QueryInterface(IID_ISpecifyPropertyPages, specify.PutVoid())) ||
      FAILED(captureFilter->QueryFilterInfo(&info)) ||
      FAILED(captureFilter->QueryInterface(IID_IUnknown, object.PutVoid())))
    return;
  ComPtr<IFilterGraph> infoGraph;
  *infoGraph.Put() = info.pGraph;  // QueryFilterInfo hands out a reference
  CAUUID pages{};
  if (FAILED(specify->GetPages(&pages))) return;
  // A page whose class cannot be created gives a frame that never closes.
  bool allPages = pages.cElems > 0;
  for (ULONG i = 0; i < pages.cElems && allPages; ++i) {
    ComPtr<IPropertyPage> page;
    allPages =
        SUCCEEDED(CoCreateInstance(pages.pElems[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.PutVoid()));
  }
  if (allPages) {
    IUnknown* objects[] = {object.Get()};
    createFrame(parent, 0, 0, info.achName, 1, objects, pages.cElems, pages.pElems, 0, 0, nullptr);
  }
  CoTaskMemFree(pages.pElems);
}

HRESULT CaptureGraph::GetPin(IBaseFilter* filter, PIN_DIRECTION direction, int n, ComPtr<IPin>& pin) {
  pin.Reset();
  ComPtr<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(pins.Put())) || !pins) return E_FAIL;
  ComPtr<IPin> candidate;
  while (pins->Next(1, candidate.Put(), nullptr) == S_OK) {
    PIN_DIRECTION found;
    if (FAILED(candidate->QueryDirection(&found)) || found != direction) continue;
    if (n-- == 0) {
      pin = std::move(candidate);
      return S_OK;
    }
  }
  return E_FAIL;
}
