#include "sources/capture_graph_win.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sources/capture_text.h"

// Present in libstrmiids but not declared by the mingw headers.
extern "C" const CLSID CLSID_SampleGrabber;

namespace {

constexpr int kNameBytes = 2048;

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

// Visits every device of the category, counting from 0, until visit
// returns true.
void ForEachDevice(const std::function<bool(int n, IMoniker* moniker)>& visit) {
  ComPtr<IEnumMoniker> monikers;
  if (!CreateDeviceEnumerator(monikers)) return;
  monikers->Reset();
  ComPtr<IMoniker> moniker;
  for (int n = 0; monikers->Next(1, moniker.Put(), nullptr) == S_OK; ++n)
    if (visit(n, moniker.Get())) break;
}

// Visits every capability of a stream configuration, with its video
// header (null when it has none), until visit returns true; the number of
// capabilities read.
using CapabilityVisit = std::function<bool(const AM_MEDIA_TYPE& type, const VIDEOINFOHEADER* info)>;
int ForEachCapability(IAMStreamConfig* config, const CapabilityVisit& visit) {
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size <= 0) return 0;
  std::vector<BYTE> caps(static_cast<size_t>(size));
  int read = 0;
  for (int i = 0; i < count; ++i) {
    MediaType type;
    if (FAILED(config->GetStreamCaps(i, type.PutHeap(), caps.data())) || !type.Get()) continue;
    ++read;
    if (visit(*type.Get(), type.VideoInfo())) break;
  }
  return read;
}

// The crossbar's input pins that are video connectors, in pin order.
std::vector<CaptureInput> VideoInputPins(IAMCrossbar* crossbar) {
  std::vector<CaptureInput> found;
  long outputs = 0;
  long inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return found;
  for (long i = 0; i < inputs; ++i) {
    long related = 0;
    long type = 0;
    if (crossbar->get_CrossbarPinInfo(TRUE, i, &related, &type) == S_OK && type < kFirstAudioConnector)
      found.push_back({i, type});
  }
  return found;
}

}  // namespace

CaptureGraph::CaptureGraph(MessageBoxFn messageBox) : messageBox(std::move(messageBox)) {
  comReady = SUCCEEDED(CoInitialize(nullptr)) ? 1 : 0;
  if (!comReady) ShowBox(nullptr, "CoInitialize Failed", "Error", MB_ICONHAND | MB_TOPMOST);
}

int CaptureGraph::ShowBox(HWND owner, const char* text, const char* title, UINT flags) const {
  return messageBox ? messageBox(owner, text, title, flags) : MessageBoxA(owner, text, title, flags);
}

CaptureGraph::~CaptureGraph() {
  StopCapture();
  if (comReady) CoUninitialize();
}

bool CaptureGraph::DeviceNames(std::vector<std::string>& names) const {
  names.clear();
  if (!comReady) return false;
  ForEachDevice([&names](int, IMoniker* moniker) {
    char name[kNameBytes];
    if (ReadFriendlyName(moniker, name)) names.emplace_back(name);
    return false;
  });
  return true;
}

bool CaptureGraph::BindDevice(int n, ComPtr<IBaseFilter>& filter) {
  filter.Reset();
  bool bound = false;
  if (n < 0) return false;
  ForEachDevice([&](int k, IMoniker* moniker) {
    if (k != n) return false;
    char name[kNameBytes];
    bound = ReadFriendlyName(moniker, name) &&
            SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())) && filter;
    return true;
  });
  return bound;
}

int CaptureGraph::Formats(int devicePosition, std::vector<CaptureFormat>& formats) {
  formats.clear();
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
  if (FAILED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid()))) return 0;
  return ForEachCapability(config.Get(), [&formats](const AM_MEDIA_TYPE& type, const VIDEOINFOHEADER* info) {
    if (type.majortype != MEDIATYPE_Video || !info || info->bmiHeader.biBitCount == 0) return false;
    const CaptureFormat format{info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->bmiHeader.biBitCount};
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
    return false;
  });
}

bool CaptureGraph::FindCrossbar(ComPtr<IAMCrossbar>& crossbar) const {
  if (!builder || !captureFilter) return false;
  return SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter.Get(), IID_IAMCrossbar,
                                          crossbar.PutVoid())) &&
         crossbar;
}

bool CaptureGraph::VideoInputs(std::vector<CaptureInput>& inputs) const {
  inputs.clear();
  if (!builder) return false;
  ComPtr<IAMCrossbar> crossbar;
  if (FindCrossbar(crossbar)) inputs = VideoInputPins(crossbar.Get());
  return true;
}

void CaptureGraph::RouteInput(int n) {
  ComPtr<IAMCrossbar> crossbar;
  if (!FindCrossbar(crossbar)) return;
  const std::vector<CaptureInput> inputs = VideoInputPins(crossbar.Get());
  long outputs = 0;
  long inputCount = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputCount))) outputs = inputCount = 0;
  // One past the last pin where there is no such input or no video decoder
  // output: the crossbar refuses the route and stays as it was.
  const long input = n >= 0 && static_cast<size_t>(n) < inputs.size() ? inputs[static_cast<size_t>(n)].pin : inputCount;
  long output = outputs;
  for (long o = 0; o < outputs; ++o) {
    long related = 0;
    long type = 0;
    if (SUCCEEDED(crossbar->get_CrossbarPinInfo(FALSE, o, &related, &type)) && type == kVideoDecoderConnector) {
      output = o;
      break;
    }
  }
  crossbar->Route(output, input);
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
  HRESULT result = S_OK;
  const CaptureFormat wanted{width, height, bitCount};
  ForEachCapability(config.Get(), [&](const AM_MEDIA_TYPE& type, const VIDEOINFOHEADER* info) {
    if (type.majortype != MEDIATYPE_Video || !info ||
        CaptureFormat{info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->bmiHeader.biBitCount} != wanted)
      return false;
    result = config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&type));
    return true;
  });
  return result;
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
