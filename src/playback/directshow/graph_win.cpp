#include "playback/directshow/graph_win.h"

// The DirectShow headers bring the safe-string header, which would retire
// the standard formatting functions.
#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <objbase.h>

#include <algorithm>
#include <cwchar>

#include "base/eventlog.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// The published identifiers, here so that nothing hangs on an import library.
constexpr GUID kClsidFilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidVideoWindow = {0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidMediaControl = {0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidBasicAudio = {0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidBasicVideo = {0x56A868B5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidMediaPosition = {0x56A868B2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidFileSourceFilter = {0x56A868A6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// The multicast source filter: installed on its own, not part of the program.
constexpr GUID kClsidMulticastSource = {0xE2B7DF17, 0x38C5, 0x11D5, {0x91, 0xF6, 0x00, 0x10, 0x4B, 0xDB, 0x8F, 0xF9}};
// The plain video renderer, which draws its window with GDI or DirectDraw.
constexpr GUID kClsidVideoRenderer = {0x70E102B0, 0x5556, 0x11CE, {0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

template <typename T>
void Drop(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

template <typename T>
T* Query(IUnknown* from, const GUID& iid) {
  void* out = nullptr;
  if (!from || FAILED(from->QueryInterface(iid, &out))) return nullptr;
  return static_cast<T*>(out);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The graph's registration under the name graph tools look for.
DWORD RegisterGraph(IUnknown* graph) {
  IRunningObjectTable* rot = nullptr;
  if (FAILED(GetRunningObjectTable(0, &rot))) return 0;
  wchar_t name[128];
  std::swprintf(name, 128, L"FilterGraph %p pid %x", static_cast<void*>(graph), GetCurrentProcessId());
  IMoniker* moniker = nullptr;
  DWORD cookie = 0;
  if (SUCCEEDED(CreateItemMoniker(L"!", name, &moniker))) {
    if (FAILED(rot->Register(0, graph, moniker, &cookie))) cookie = 0;
    moniker->Release();
  }
  rot->Release();
  return cookie;
}

void RevokeGraph(DWORD cookie) {
  IRunningObjectTable* rot = nullptr;
  if (FAILED(GetRunningObjectTable(0, &rot))) return;
  rot->Revoke(cookie);
  rot->Release();
}

// The renderer a graph would pick by itself draws through Direct3D, and where
// that cannot reach a child window (Wine's) the panel stays black while the
// graph runs. The plain renderer is offered before the graph is built, so
// the build connects the picture to it whenever it can; null when there is
// no such renderer.
IBaseFilter* OfferVideoRenderer(IGraphBuilder* graph) {
  void* made = nullptr;
  if (FAILED(CoCreateInstance(kClsidVideoRenderer, nullptr, CLSCTX_INPROC_SERVER, kIidBaseFilter, &made))) return nullptr;
  auto* renderer = static_cast<IBaseFilter*>(made);
  if (FAILED(graph->AddFilter(renderer, L"Video Renderer"))) {
    renderer->Release();
    return nullptr;
  }
  return renderer;
}

// An offered renderer that nothing was connected to (no picture, or a build
// that failed) leaves the graph again: its window would pass for a picture.
void KeepRendererIfUsed(IGraphBuilder* graph, IBaseFilter* renderer) {
  if (!renderer) return;
  bool used = false;
  IEnumPins* pins = nullptr;
  if (SUCCEEDED(renderer->EnumPins(&pins)) && pins) {
    IPin* pin = nullptr;
    while (!used && pins->Next(1, &pin, nullptr) == S_OK) {
      IPin* other = nullptr;
      if (SUCCEEDED(pin->ConnectedTo(&other)) && other) {
        used = true;
        other->Release();
      }
      pin->Release();
    }
    pins->Release();
  }
  if (!used) graph->RemoveFilter(renderer);
  renderer->Release();
}

// The multicast filter loads the address and renders its "Output" pin; the
// load's result is the build's.
HRESULT BuildMulticast(IGraphBuilder* graph, const std::wstring& address) {
  void* made = nullptr;
  if (FAILED(CoCreateInstance(kClsidMulticastSource, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              kIidBaseFilter, &made)))
    return E_FAIL;
  auto* source = static_cast<IBaseFilter*>(made);
  graph->AddFilter(source, L"Source");
  HRESULT hr = E_NOINTERFACE;
  if (auto* file = Query<IFileSourceFilter>(source, kIidFileSourceFilter)) {
    hr = file->Load(address.c_str(), nullptr);
    file->Release();
  }
  IPin* pin = nullptr;
  if (SUCCEEDED(source->FindPin(L"Output", &pin)) && pin) {
    IBaseFilter* renderer = OfferVideoRenderer(graph);
    graph->Render(pin);
    KeepRendererIfUsed(graph, renderer);
    pin->Release();
  }
  source->Release();
  return hr;
}

}  // namespace

DirectShowPlayer::DirectShowPlayer(HWND panel, std::function<void()> started)
    : panel_(panel), started_(std::move(started)) {}

DirectShowPlayer::~DirectShowPlayer() { Release(); }

void DirectShowPlayer::ReleaseInterfaces() {
  // The renderer window leaves the panel before the graph goes, so no
  // window of a dead graph stays behind in it.
  if (window_) {
    window_->put_Visible(OAFALSE);
    window_->put_Owner(0);
  }
  if (control_) control_->Stop();
  Drop(window_);
  Drop(control_);
  Drop(audio_);
  Drop(video_);
  Drop(position_);
  area_ = picture_ = VideoRect{};
  Drop(graph_);
}

void DirectShowPlayer::Release() {
  if (rotCookie_) RevokeGraph(rotCookie_);
  rotCookie_ = 0;
  ReleaseInterfaces();
}

void DirectShowPlayer::PlayMrl(const std::string& address) {
  if (rotCookie_) RevokeGraph(rotCookie_);
  rotCookie_ = 0;
  ReleaseInterfaces();
  void* made = nullptr;
  if (FAILED(CoCreateInstance(kClsidFilterGraph, nullptr, CLSCTX_INPROC_SERVER, kIidGraphBuilder, &made))) return;
  graph_ = static_cast<IGraphBuilder*>(made);
  rotCookie_ = RegisterGraph(graph_);
  window_ = Query<IVideoWindow>(graph_, kIidVideoWindow);
  control_ = Query<IMediaControl>(graph_, kIidMediaControl);
  audio_ = Query<IBasicAudio>(graph_, kIidBasicAudio);
  video_ = Query<IBasicVideo>(graph_, kIidBasicVideo);
  position_ = Query<IMediaPosition>(graph_, kIidMediaPosition);
  LogLine("dxplaymrl " + Quoted(address) + " init com done");
  // The empty graph is how playback stops.
  if (address.empty()) return;

  const std::wstring wide = Widen(address);
  HRESULT built;
  if (address.rfind("udp://", 0) == 0) {
    built = BuildMulticast(graph_, wide);
  } else {
    IBaseFilter* renderer = OfferVideoRenderer(graph_);
    built = graph_->RenderFile(wide.c_str(), nullptr);
    KeepRendererIfUsed(graph_, renderer);
  }
  if (FAILED(built)) return;
  if (control_) control_->Stop();
  if (window_) {
    window_->put_Owner(reinterpret_cast<OAHWND>(panel_));
    // A child of the panel, not a window of its own beside it.
    window_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  window_->put_BorderColor(RGB(0, 0, 0));
  }
  if (control_) control_->Run();
  LogLine("dxplaymrl " + Quoted(address) + " mc->run done");
  if (started_) started_();
  if (window_) window_->put_Visible(OATRUE);
}

void DirectShowPlayer::Run() {
  if (control_) control_->Run();
}

void DirectShowPlayer::Pause() {
  if (control_) control_->Pause();
}

bool DirectShowPlayer::VideoWindowExists() {
  // Windows' renderer window has the class "VideoRenderer"; others (Wine's)
  // name it otherwise, and only the renderer lives in this panel.
  return panel_ && FindWindowExW(panel_, nullptr, nullptr, L"ActiveMovie Window") != nullptr;
}

bool DirectShowPlayer::HasPosition() { return position_ != nullptr; }

double DirectShowPlayer::CurrentPosition() {
  REFTIME t = 0;
  if (!position_ || FAILED(position_->get_CurrentPosition(&t))) return 0;
  return t;
}

double DirectShowPlayer::Duration() {
  REFTIME t = 0;
  if (!position_ || FAILED(position_->get_Duration(&t))) return 0;
  return t;
}

void DirectShowPlayer::SetCurrentPosition(double seconds) {
  if (position_) position_->put_CurrentPosition(seconds);
}

bool DirectShowPlayer::HasAudio() { return audio_ != nullptr; }

int DirectShowPlayer::AudioVolume() {
  long v = 0;
  if (!audio_ || FAILED(audio_->get_Volume(&v))) return 0;
  return static_cast<int>(v);
}

void DirectShowPlayer::SetAudioVolume(int hundredthsDb) {
  // The slider's top gives a little above 0 dB, which the interface refuses
  // outright: the volume would stay where it was instead of at full.
  if (audio_) audio_->put_Volume(std::clamp(hundredthsDb, -10000, 0));
}

bool DirectShowPlayer::HasVideo() { return video_ != nullptr; }

void DirectShowPlayer::SetSourceRect(int left, int top, int width, int height) {
  if (video_) video_->SetSourcePosition(left, top, width, height);
}

void DirectShowPlayer::ResetSourceRect() {
  if (video_) video_->SetDefaultSourcePosition();
}

void DirectShowPlayer::Layout(int w, int h, std::optional<AspectRatio> forced) {
  if (!window_ || !VideoWindowExists()) return;
  const VideoRect area{0, 0, w, h};
  window_->SetWindowPosition(area.left, area.top, area.width, area.height);
  window_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  window_->put_BorderColor(RGB(0, 0, 0));
  if (!video_) return;
  AspectRatio ratio{};
  if (forced) {
    ratio = *forced;
  } else {
    long l = 0, t = 0, sw = 0, sh = 0;
    if (SUCCEEDED(video_->GetSourcePosition(&l, &t, &sw, &sh))) ratio = {static_cast<int>(sw), static_cast<int>(sh)};
  }
  const VideoRect picture = FittedPicture(area.width, area.height, ratio);
  video_->SetDestinationPosition(picture.left, picture.top, picture.width, picture.height);
  area_ = area;
  picture_ = picture;
  ClearBars();
}

void DirectShowPlayer::ClearBars() {
  if (!video_ || !VideoWindowExists() || picture_ == VideoRect{0, 0, area_.width, area_.height}) return;
  // The panel's one child is the renderer window.
  HWND renderer = GetWindow(panel_, GW_CHILD);
  if (!renderer) return;
  // Not every renderer paints the border colour around its picture, and a
  // frame already on its way may still be drawn at the old size: the bars are
  // painted black here, again on every status tick. The picture is not touched.
  HRGN bars = CreateRectRgn(0, 0, area_.width, area_.height);
  HRGN picture = CreateRectRgn(picture_.left, picture_.top, picture_.left + picture_.width, picture_.top + picture_.height);
  CombineRgn(bars, bars, picture, RGN_DIFF);
  if (HDC dc = GetDC(renderer)) {
    FillRgn(dc, bars, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(renderer, dc);
  }
  DeleteObject(picture);
  DeleteObject(bars);
}

}  // namespace strevo
