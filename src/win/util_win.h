// Thin Win32 helpers every subsystem shares: text conversions at the API
// boundary, paths beside the executable, process start, message pumping.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <string_view>

namespace strevo {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// Whether `font` draws every character of `text` (symbol fonts a system
// lacks are replaced by one without their glyphs).
bool FontHasGlyphs(HFONT font, const std::wstring& text);
// Single-byte text of a code page (CP_ACP, CP_OEMCP, 1251, ...) <-> UTF-8.
std::string CodePageToUtf8Win(std::string_view bytes, UINT codepage);
std::string Utf8ToCodePageWin(std::string_view utf8, UINT codepage);
inline std::string AnsiToUtf8(std::string_view bytes) { return CodePageToUtf8Win(bytes, CP_ACP); }
inline std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToCodePageWin(utf8, CP_ACP); }

std::string ExePath();                           // full path of this executable
std::string ExeFolder();                         // without the closing backslash
std::string ExeSibling(std::string_view ending); // ExePath with its extension replaced
std::string SystemTempPath();                    // GetTempPath, with its closing backslash
bool FileExists(std::string_view path);          // an existing file (not a folder)
bool DirectoryExists(std::string_view path);
bool PathExists(std::string_view path);

// Starts a command line shown, without waiting. Returns false when it cannot start.
bool StartProcessShown(std::string_view commandLine);
// Starts a command line and waits until it ends; returns its exit code or -1.
int RunProcessAndWait(std::string_view commandLine);

// Claims a named mutex for one process per name: creates it (not owned) in one
// call, so two processes starting at the same instant cannot both miss each
// other. Returns the handle to keep while this process is the one; null when
// another process holds the name (*taken is then true) or the mutex could not
// be made at all (*taken false).
HANDLE ClaimNamedMutex(std::string_view name, bool* taken);

// Processes every pending message of this thread, then returns. False when
// the thread was asked to quit (the request is posted again for its loop).
bool PumpPendingMessages();

std::string WindowText(HWND hwnd);
void SetWindowTextUtf8(HWND hwnd, std::string_view text);

// A string resource in UTF-8 ("" when absent).
std::string LoadStringUtf8(UINT id);

// Shows a message box (UTF-8 texts).
int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view caption, UINT flags);
// The system's text for an error code (GetLastError), without its line end;
// the code's number when the system has no text for it.
std::string SystemErrorText(DWORD code);

// The system's open-file dialog owned by `owner`, with a filter of
// "description\0pattern\0" pairs; false when it was cancelled.
bool AskOpenFileName(HWND owner, const wchar_t* filter, std::string& chosen);

// Registers a window class once (later calls with the same name do nothing).
void RegisterWindowClassOnce(const wchar_t* name, WNDPROC proc, HBRUSH background, UINT style = 0,
                             HICON icon = nullptr);

// A notification-area icon of `owner` that reports mouse events as `message`.
// A window that exists and shows.
inline bool Shown(HWND h) { return h && IsWindowVisible(h); }
// The primary mouse button is really held: a drag or a resize started
// without it would wait for the keyboard in the system's move loop.
inline bool LeftButtonHeld() { return GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) < 0; }

// The message a tray icon of ours sends its owner (the player's and the agent's alike).
inline constexpr UINT kTrayMessage = WM_APP + 10;
NOTIFYICONDATAW TrayIconData(HWND owner, UINT message, HICON icon, std::string_view tip);
// Adds or removes the icon; `shown` records which, so nothing is done twice.
// An icon the shell did not take stays not shown, so the next call tries again.
void SetTrayIconShown(NOTIFYICONDATAW& tray, bool& shown, bool show);
// The message the shell sends every top-level window when it (re)starts: its
// notification area is new and empty then.
UINT TaskbarCreatedMessage();
// After that message: a shown icon is added again.
void RestoreTrayIcon(NOTIFYICONDATAW& tray, bool& shown);

// Mix of two colours: each channel of both halved (lowest bit dropped), then added.
COLORREF MixColours(COLORREF a, COLORREF b);

// Deletes the files directly inside a folder (no subfolders); returns how many.
int DeleteFilesIn(std::string_view folder);

}  // namespace strevo
