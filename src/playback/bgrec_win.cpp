// The background recorder ("/bgrec"): one process per recording, found by
// others through its window (class "obj_Form", caption "Background recording").
#include <windows.h>

#include <memory>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "base/text_helpers.h"
#include "playback/bgrec_status.h"
#include "playback/libvlc3_win.h"
#include "playback/recording_rules.h"
#include "playback/vlclib_win.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

static const wchar_t kRecorderClass[] = L"obj_Form";
static const wchar_t kRecorderLabelClass[] = L"obj_STATIC";
static const UINT_PTR kRecorderTimer = 1;

// The recorder's window; its timer drives the recording from start to end.
class Recorder : public Window {
 public:
  Args args;
  std::string title;
  HWND label = nullptr;
  HFONT font = nullptr;
  HWND enginePanel = nullptr;
  // The 0.8 engine through its plugin, else the 3.x engine; `engine` is the
  // one the recording talks to.
  std::unique_ptr<TVLCPlugin> plugin;
  std::unique_ptr<Engine> engine;
  int64_t startTicks = 0;  // the program's clock, so a test's faster clock ends it sooner
  RecorderArgs a;          // taken from args once they are known to be complete
  RecordingWatch watch;    // what the engine does not tell about the file

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

static void RecorderRun(Recorder& r);
static void RecorderCloseQuery(Recorder& r);

LRESULT Recorder::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kRecorderTimer) RecorderRun(*this);
      return 0;
    case WM_CLOSE:
      RecorderCloseQuery(*this);
      return 0;
    case WM_SIZE:
      if (label) MoveWindow(label, 5, 5, LOWORD(lp) - 10, HIWORD(lp) - 10, TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return Default(msg, wp, lp);
}

// The status label is a STATIC under its own class name, so that other
// processes can find it by class.
static void RegisterLabelClass() {
  WNDCLASSEXW wc{sizeof wc};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kRecorderLabelClass, &wc)) return;
  GetClassInfoExW(nullptr, L"STATIC", &wc);
  wc.cbSize = sizeof wc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kRecorderLabelClass;
  wc.style &= ~CS_GLOBALCLASS;
  RegisterClassExW(&wc);
}

static void CreateRecorderWindow(Recorder& r) {
  Window::RegisterClassOnce(kRecorderClass, GetSysColorBrush(COLOR_BTNFACE));
  RegisterLabelClass();
  RECT rc{0, 0, 235, 75};
  const std::wstring caption = Widen(r.title);
  WindowArgs w;
  w.className = kRecorderClass;
  w.title = caption.c_str();
  w.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
  w.exStyle = WS_EX_DLGMODALFRAME;
  w.width = rc.right;
  w.height = rc.bottom;
  r.Create(w);
  r.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  GetClientRect(r.hwnd(), &rc);
  r.label = CreateWindowExW(0, kRecorderLabelClass, L"", WS_CHILD | WS_VISIBLE, 5, 5, rc.right - 10, rc.bottom - 10,
                            r.hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(r.label, WM_SETFONT, reinterpret_cast<WPARAM>(r.font), FALSE);
  if (r.args.At(5) != "0") ShowWindow(r.hwnd(), SW_SHOWMINNOACTIVE), ShowWindow(r.hwnd(), SW_HIDE);
  SetTimer(r.hwnd(), kRecorderTimer, ClockInterval(500), nullptr);
}

// Ending the process under the engine's running threads can crash it in its
// own unloading: the engine is released first.
static void EndRecorder(Recorder& r) {
  r.engine.reset();
  r.plugin.reset();
  ExitProcess(0);
}

// The same engines as the player's, in the same order.
static bool LoadRecorderEngine(Recorder& r) {
  r.plugin = std::make_unique<TVLCPlugin>(r.enginePanel);
  if (r.plugin->Loaded()) {
    r.engine = std::make_unique<VlcEngine>(*r.plugin);
    return true;
  }
  r.plugin.reset();
  r.engine = LoadLibvlc3Engine(r.enginePanel);
  return r.engine != nullptr;
}

static void RecorderRun(Recorder& r) {
  // Timer ticks arrive inside the modal loops of message boxes: one run at a time.
  static bool running = false;
  if (running) return;
  running = true;
  struct Done { ~Done() { running = false; } } done;
  if (!r.hwnd()) {
    CreateRecorderWindow(r);
    const std::optional<RecorderArgs> given = RecorderArgsOf(r.args);
    if (!given) {
      MessageBoxUtf8(r.hwnd(), "Not enough parameters!", r.title, MB_OK | MB_ICONINFORMATION);
      ExitProcess(0);
    }
    r.a = *given;
  }
  if (!r.engine) {
    r.enginePanel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, r.hwnd(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    if (!LoadRecorderEngine(r)) {
      MessageBoxUtf8(r.hwnd(), "Error!", r.title, MB_OK | MB_ICONERROR);
      ExitProcess(0);
    }
    Sleep(300);
    r.engine->VariableSet("conf::miface-addr", EngineValue::Text(r.a.iface));
    r.engine->VariableSet("conf::audio-track", EngineValue::Int(StrToIntLenient(r.a.audioTrack)));
    r.engine->VariableSet("conf::sout", EngineValue::Text(RecorderSoutChain(r.a.format, r.a.file)));
    Sleep(300);
    // The engine keeps a file it cannot create to itself: learn it here.
    if (!CanCreateFile(r.a.file)) r.watch.CreateFailed();
    r.engine->AddTarget(r.a.address, r.a.options, engine_abi::kModeAppendAndGo, 0);
    r.startTicks = ClockTicks();
    Sleep(300);
  }
  const int64_t now = ClockTicks();
  const int64_t elapsed = (now - r.startTicks) / 1000;
  const int64_t bytes = FileSizeOf(r.a.file);
  const bool playing = r.engine->IsPlaying() != 0;
  // The engine writes at the stream's real pace, whatever the program's clock.
  r.watch.Observe(playing, bytes, FreeBytesOfDrive(r.a.file), static_cast<int64_t>(GetTickCount64()));
  SetWindowTextUtf8(r.label, RecorderStatusText(r.a, playing, bytes, elapsed, r.watch.Fault()));
  if (RecorderDone(r.a.minutes, elapsed)) {
    ShowWindow(r.hwnd(), SW_HIDE);
    r.engine->Stop();
    Sleep(300);
    EndRecorder(r);
  }
}

static void RecorderCloseQuery(Recorder& r) {
  if (r.engine && r.engine->IsPlaying() != 0 &&
      MessageBoxUtf8(r.hwnd(), LoadStringUtf8(IDS_CONFIRM_STOP_RECORDING), r.title, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  ShowWindow(r.hwnd(), SW_HIDE);
  if (r.engine) r.engine->Stop();
  Sleep(300);
  EndRecorder(r);
}

int RunBackgroundRecorder(const Args& args) {
  // Lives as long as the process: the recording ends it with ExitProcess.
  static Recorder r;
  r.args = args;
  r.title = LoadStringUtf8(IDS_BACKGROUND_RECORDING);
  RecorderRun(r);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace strevo
