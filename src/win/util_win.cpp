#include "win/util_win.h"

#include <commdlg.h>

#include <vector>

#include "base/colour.h"
#include "base/text_helpers.h"

namespace strevo {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string CodePageToUtf8Win(std::string_view bytes, UINT codepage) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(codepage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codepage, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return Narrow(w);
}

std::string Utf8ToCodePageWin(std::string_view utf8, UINT codepage) {
  std::wstring w = Widen(utf8);
  if (w.empty()) return {};
  int n = WideCharToMultiByte(codepage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codepage, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ExePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return Narrow(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::string ExeFolder() { return FolderOf(ExePath()); }

std::string ExeSibling(std::string_view ending) { return SiblingPath(ExePath(), ending); }

std::string SystemTempPath() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  return n ? Narrow(std::wstring_view(buf, n)) : std::string("C:\\");
}

bool FileExists(std::string_view path) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view path) {
  DWORD a = GetFileAttributesW(Widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(std::string_view path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

static bool Start(std::string_view commandLine, PROCESS_INFORMATION& pi) {
  std::wstring cmd = Widen(commandLine);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
}

bool StartProcessShown(std::string_view commandLine) {
  PROCESS_INFORMATION pi{};
  if (!Start(commandLine, pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

int RunProcessAndWait(std::string_view commandLine) {
  PROCESS_INFORMATION pi{};
  if (!Start(commandLine, pi)) return -1;
  CloseHandle(pi.hThread);
  // Keep our own windows alive while the other process works.
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    PumpPendingMessages();
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

HANDLE ClaimNamedMutex(std::string_view name, bool* taken) {
  HANDLE h = CreateMutexW(nullptr, FALSE, Widen(name).c_str());
  const DWORD error = GetLastError();
  // A mutex made by another account may refuse us access: still taken.
  *taken = h ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
  if (h && *taken) {
    CloseHandle(h);
    return nullptr;
  }
  return h;
}

bool PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd, w.data(), n + 1);
  w.resize(static_cast<size_t>(n));
  return Narrow(w);
}

void SetWindowTextUtf8(HWND hwnd, std::string_view text) { SetWindowTextW(hwnd, Widen(text).c_str()); }

std::string LoadStringUtf8(UINT id) {
  const wchar_t* p = nullptr;
  int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&p), 0);
  return n > 0 ? Narrow(std::wstring_view(p, static_cast<size_t>(n))) : std::string();
}

int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
  return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

void RegisterWindowClassOnce(const wchar_t* name, WNDPROC proc, HBRUSH background, UINT style, HICON icon) {
  WNDCLASSEXW wc{};
  HINSTANCE inst = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(inst, name, &wc)) return;
  wc = {};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  wc.hIcon = icon ? icon : LoadIconW(inst, MAKEINTRESOURCEW(1));
  wc.hIconSm = wc.hIcon;
  RegisterClassExW(&wc);
}

NOTIFYICONDATAW TrayIconData(HWND owner, UINT message, HICON icon, std::string_view tip) {
  NOTIFYICONDATAW tray{};
  tray.cbSize = sizeof tray;
  tray.hWnd = owner;
  tray.uID = 1;
  tray.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  tray.uCallbackMessage = message;
  tray.hIcon = icon;
  lstrcpynW(tray.szTip, Widen(tip).c_str(), ARRAYSIZE(tray.szTip));
  return tray;
}

void SetTrayIconShown(NOTIFYICONDATAW& tray, bool& shown, bool show) {
  if (show == shown) return;
  if (!show) {
    Shell_NotifyIconW(NIM_DELETE, &tray);
    shown = false;
    return;
  }
  // A busy shell may time out and still have taken the icon: then it can be
  // modified. Otherwise it is not shown, and the caller's next call retries.
  shown = Shell_NotifyIconW(NIM_ADD, &tray) || Shell_NotifyIconW(NIM_MODIFY, &tray);
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void RestoreTrayIcon(NOTIFYICONDATAW& tray, bool& shown) {
  if (!shown) return;
  shown = false;
  SetTrayIconShown(tray, shown, true);
}

bool AskOpenFileName(HWND owner, const wchar_t* filter, std::string& chosen) {
  wchar_t file[MAX_PATH * 4] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = static_cast<DWORD>(std::size(file));
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return false;
  chosen = Narrow(file);
  return true;
}

COLORREF MixColours(COLORREF a, COLORREF b) { return MixRgb(a, b); }

int DeleteFilesIn(std::string_view folder) {
  std::wstring base = Widen(folder);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((base + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring p = base + fd.cFileName;
    SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(p.c_str())) ++n;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

bool FontHasGlyphs(HFONT font, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<WORD> idx(text.size());
  DWORD n = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), idx.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (n == GDI_ERROR) return false;
  for (WORD i : idx)
    if (i == 0xFFFF) return false;
  return true;
}

std::string SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
  return wide.empty() ? "error " + std::to_string(code) : Narrow(wide);
}

}  // namespace strevo
