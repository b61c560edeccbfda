// The background recorder ("/bgrec"): one process per recording, found by
// others through its window (class "obj_Form", caption "Background recording").
#include <windows.h>

#include "../../resources/resource.h"
#include "core/cmdline.h"
#include "win/util_win.h"

namespace strevo {

static const wchar_t kRecorderClass[] = L"obj_Form";
static const wchar_t kRecorderLabelClass[] = L"obj_STATIC";
static const UINT_PTR kRecorderTimer = 1;

struct Recorder {
  Args args;
  std::string title;
  HWND hwnd = nullptr;
  HWND label = nullptr;
  HFONT font = nullptr;
};

static Recorder* g_recorder = nullptr;

static void RecorderRun(Recorder& r);

static LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (g_recorder && wp == kRecorderTimer) RecorderRun(*g_recorder);
      return 0;
    case WM_SIZE:
      if (g_recorder && g_recorder->label)
        MoveWindow(g_recorder->label, 5, 5, LOWORD(lp) - 10, HIWORD(lp) - 10, TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
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
  RegisterWindowClassOnce(kRecorderClass, RecorderProc, GetSysColorBrush(COLOR_BTNFACE));
  RegisterLabelClass();
  RECT rc{0, 0, 235, 75};
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
  r.hwnd = CreateWindowExW(WS_EX_DLGMODALFRAME, kRecorderClass, Widen(r.title).c_str(), style, CW_USEDEFAULT,
                           CW_USEDEFAULT, rc.right, rc.bottom, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  r.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  GetClientRect(r.hwnd, &rc);
  r.label = CreateWindowExW(0, kRecorderLabelClass, L"", WS_CHILD | WS_VISIBLE, 5, 5, rc.right - 10, rc.bottom - 10,
                            r.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(r.label, WM_SETFONT, reinterpret_cast<WPARAM>(r.font), FALSE);
  if (r.args.At(5) != "0") ShowWindow(r.hwnd, SW_SHOWMINNOACTIVE), ShowWindow(r.hwnd, SW_HIDE);
  SetTimer(r.hwnd, kRecorderTimer, 500, nullptr);
}

static void RecorderRun(Recorder& r) {
  // Timer ticks arrive inside the modal loops of message boxes: one run at a time.
  static bool running = false;
  if (running) return;
  running = true;
  struct Done { ~Done() { running = false; } } done;
  if (!r.hwnd) {
    CreateRecorderWindow(r);
    // Exactly eight arguments after the program path.
    if (r.args.Count() != 9 || r.args.First() != "/bgrec") {
      MessageBoxUtf8(r.hwnd, "Not enough parameters!", r.title, MB_OK | MB_ICONINFORMATION);
      ExitProcess(0);
    }
  }
  // The recorder's engine instance arrives with the engine binding; until
  // then a recorder cannot record and says so.
  MessageBoxUtf8(r.hwnd, "Error!", r.title, MB_OK | MB_ICONERROR);
  ExitProcess(0);
}

int RunBackgroundRecorder(const Args& args) {
  static Recorder r;
  g_recorder = &r;
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
