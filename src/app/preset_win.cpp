#include "app/preset_win.h"

#include <windows.h>

#include <string>
#include <vector>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "base/text_helpers.h"
#include "config/presets.h"
#include "net/http_win.h"
#include "unzip/zip.h"
#include "unzip/zip_host_win.h"
#include "ui/main/mainwindow_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

namespace {

constexpr wchar_t kPresetDialogClass[] = L"StrevoPresets";
constexpr int kListId = 100;

// "Выбор предустановки": a list of the presets and an "OK" button. "OK" (or
// Enter, or a double-click) takes the selected entry; the close box cancels.
class PresetDialog : public Window {
 public:
  int selected = -1;

  // Shown at once, empty: the list comes with the download (Fill).
  bool Build() {
    Window::RegisterClassOnce(kPresetDialogClass, GetSysColorBrush(COLOR_BTNFACE));
    WindowArgs a;
    a.className = kPresetDialogClass;
    a.title = L"Выбор предустановки";
    a.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    a.exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
    a.x = (GetSystemMetrics(SM_CXSCREEN) - 275) / 2;
    a.y = (GetSystemMetrics(SM_CYSCREEN) - 360) / 2;
    a.width = 275;
    a.height = 360;
    if (!Create(a)) return false;
    RECT r;
    GetClientRect(hwnd(), &r);
    const int buttonHeight = 25;
    HFONT font = CreateFontW(-MulDiv(8, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             L"MS Sans Serif");
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY |
                                LBS_NOINTEGRALHEIGHT, 0, 0, r.right, r.bottom - buttonHeight, hwnd(),
                            reinterpret_cast<HMENU>(kListId), GetModuleHandleW(nullptr), nullptr);
    HWND ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                              r.bottom - buttonHeight, r.right, buttonHeight, hwnd(), reinterpret_cast<HMENU>(IDOK),
                              GetModuleHandleW(nullptr), nullptr);
    for (HWND h : {list_, ok}) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
  }

  void Fill(const std::vector<std::string>& captions) {
    for (const std::string& c : captions) SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(c).c_str()));
    if (!captions.empty()) SendMessageW(list_, LB_SETCURSEL, 0, 0);
  }

  void RunUntilClosed() {
    MSG msg;
    while (hwnd() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(hwnd(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    const bool chosen = msg == WM_COMMAND && (LOWORD(wp) == IDOK || (LOWORD(wp) == kListId && HIWORD(wp) == LBN_DBLCLK));
    if (chosen || msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
      selected = chosen ? static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0)) : -1;
      Destroy();
      return 0;
    }
    return Default(msg, wp, lp);
  }

 private:
  HWND list_ = nullptr;
};

// Deletes the files of a folder (not its subfolders).
void EmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileW(Widen(folder + "\\" + Narrow(fd.cFileName)).c_str());
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

std::string PresetArchiveAddress(const std::string& iniPath) {
  std::string bytes;
  ConfigList list;
  if (ReadFileBytes(iniPath, bytes)) list = ParseConfigText(AnsiToUtf8(bytes));
  return DownloadAddress(list, kPresetsKey, LoadStringUtf8(IDS_PRESETS_URL));
}

// Fills the dialog with the presets found in `folder` and puts the chosen one
// over the configuration file. False when nothing was chosen (the dialog
// closed during the download counts) or it could not be written.
bool ChooseAndInstall(PresetDialog& dialog, const std::string& folder, const std::string& iniPath) {
  if (!dialog.hwnd()) return false;
  std::vector<std::string> captions, files;
  for (int i = 0; i < kPresetCount; ++i) {
    const std::string path = folder + "\\" + std::to_string(i) + ".ini";
    std::string text;
    if (!FileExists(path) || !ReadFileBytes(path, text)) continue;
    captions.push_back(AnsiToUtf8(PresetCaption(text)));
    files.push_back(path);
  }
  dialog.Fill(captions);
  dialog.RunUntilClosed();
  if (dialog.selected < 0 || static_cast<size_t>(dialog.selected) >= files.size()) return false;
  std::string chosen, current;
  if (!ReadFileBytes(files[static_cast<size_t>(dialog.selected)], chosen)) return false;
  // The configuration it replaces is kept beside it, written whole; no backup, no install.
  if (FileExists(iniPath) && !(ReadFileBytes(iniPath, current) && WriteFileReplacing(iniPath + ".bak", current)))
    return false;
  // Written as a whole: a failure leaves the old configuration in place.
  return WriteFileReplacing(iniPath, PresetForInstall(chosen, current));
}

}  // namespace

void RunPresetInstaller(MainWindow& mw) {
  if (mw.playerMutex) {
    CloseHandle(mw.playerMutex);
    mw.playerMutex = nullptr;
  }
  KillTimer(mw.hwnd, kStatusTimer);
  const bool fromPlayer = mw.args.Second() == "/fromplayer";
  const std::string iniPath = SiblingPath(mw.exePath, ".ini");
  if (MessageBoxUtf8(nullptr, "Загрузить список предустановок провайдеров IPTV с сайта программы?", mw.productName,
                     MB_YESNO | MB_ICONQUESTION) == IDYES) {
    // The list window shows while the archive downloads; the download keeps
    // it painting, and closing it then cancels.
    PresetDialog dialog;
    dialog.Build();
    const std::string folder = TempWorkFolder(SystemTempPath(), mw.exePath);
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    EmptyFolder(folder);
    const std::string archive = SiblingPath(mw.exePath, ".PreConf");
    if (httpgetfile(PresetArchiveAddress(iniPath), archive)) {
      WinZipHost host;
      ZipEnv env;
      env.host = &host;
      ZipExtractAll(archive, folder + "\\", "*.ini", nullptr, nullptr, env);
    }
    DeleteFileW(Widen(archive).c_str());
    ChooseAndInstall(dialog, folder, iniPath);
    RemoveFolderTree(folder);
    if (fromPlayer) RunProcessAndWait(OwnCommandLine(mw.exePath, "/updatetvg /updatem3u"));
  }
  if (fromPlayer) {
    StartProcessShown(OwnCommandLine(mw.exePath, "/agent"));
    StartProcessShown(OwnCommandLine(mw.exePath, "/nologo"));
  }
  ExitProcess(0);
}

}  // namespace strevo
