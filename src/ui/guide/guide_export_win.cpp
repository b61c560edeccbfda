#include "ui/guide/guide_export_win.h"

#include <shlobj.h>

#include <algorithm>
#include <string>

#include "guide/guide_export.h"
#include "guide/guide_files_win.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/locale_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

class WinExportFiles : public ExportFiles {
 public:
  bool FileExists(const std::string& path) override { return strevo::FileExists(path); }
  // Pages are made again by every export: waiting for each to reach the disk
  // would cost more than the whole export.
  bool WriteWhole(const std::string& path, std::string_view bytes) override {
    return WriteFileReplacing(path, bytes, false);
  }
};

GuidePageLooks LooksOf(MainWindow& mw) {
  GuidePageLooks looks;
  looks.caption = MenuItemCaption(mw.form.mainMenu, kMenuGuide);
  looks.exePath = mw.exePath;
  looks.maximised = mw.frmVideo && IsZoomed(mw.frmVideo);
  looks.names = UserLocaleNames();
  return looks;
}

GuideContext ContextOf(MainWindow& mw) {
  return GuideContext{mw.channelTitles, mw.channelMrls, mw.channelSelectorIndex, mw.configList,
                      ExeFolder() + "\\TVGuide\\", mw.guideCache, GuideFilesOnDisk(), static_cast<int>(GetACP()),
                      ClockNow(), std::string(), &mw.xmltvListGuides};
}

// The windows stay alive while a long guide is walked. Looking for messages
// after every programme would cost more than the pages themselves, so they
// are looked for every few milliseconds.
std::function<void()> KeepWindowsAlive() {
  return [last = GetTickCount64()]() mutable {
    const ULONGLONG now = GetTickCount64();
    if (now - last < 15) return;
    last = now;
    PumpPendingMessages();
  };
}

// The folder dialog opens in the system's temporary folder.
int CALLBACK StartInTemp(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

bool AskFolder(MainWindow& mw, std::string& folder) {
  const std::wstring title = Widen(MenuItemCaption(mw.form.mainMenu, kMenuExportHtml));
  const std::wstring start = Widen(SystemTempPath());
  BROWSEINFOW bi{};
  bi.hwndOwner = mw.hwnd;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  bi.lpfn = StartInTemp;
  bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&bi);
  if (!chosen) return false;
  wchar_t path[MAX_PATH] = L"";
  const bool ok = SHGetPathFromIDListW(chosen, path) && path[0];
  CoTaskMemFree(chosen);
  if (ok) folder = Narrow(path);
  return ok;
}

std::string IndexCommandLine(const std::string& folder) { return "MsHta.exe \"" + folder + "\\index.htm\""; }

void ExportAll(MainWindow& mw, std::string_view target) {
  std::string folder;
  const bool temporary = target == "$tmp";
  if (temporary) {
    folder = mw.tempFolder;
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
  } else if (target.empty()) {
    if (!AskFolder(mw, folder)) return;
  } else {
    folder = std::string(target);
    if (!DirectoryExists(folder)) return;
  }
  // "C:\" and "C:\Guide\" name their folder too.
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  WinExportFiles files;
  ExportAllChannels(ContextOf(mw), LooksOf(mw), files, folder, temporary, KeepWindowsAlive());
  if (temporary) {
    StartProcessShown(IndexCommandLine(folder));
    HWND front = mw.frmVideo && IsWindowVisible(mw.frmVideo) ? mw.frmVideo : mw.hwnd;
    SetForegroundWindow(front);
  } else if (target.empty()) {
    StartProcessShown(IndexCommandLine(folder));
  }
}

}  // namespace

void ExportGuide(MainWindow& mw, std::string_view channel, std::string_view target, HWND guideList) {
  if (channel == "$all") {
    ExportAll(mw, target);
    return;
  }
  std::string title(channel);
  size_t position = static_cast<size_t>(std::find(mw.channelTitles.begin(), mw.channelTitles.end(), title) -
                                        mw.channelTitles.begin());
  if (channel == "$cur") {
    // By position: another channel may bear the same title.
    const int k = mw.channelSelectorIndex;
    const bool known = k >= 0 && static_cast<size_t>(k) < mw.channelTitles.size();
    title = known ? mw.channelTitles[k] : std::string();
    position = known ? static_cast<size_t>(k) : mw.channelTitles.size();
  }
  const std::string path = target == "$tmp" ? mw.tempFolder + "\\TVGuide.hta" : std::string(target);
  if (guideList) {
    SendMessageW(guideList, LB_RESETCONTENT, 0, 0);
    ShowWindow(guideList, SW_HIDE);
  }
  const GuideContext ctx = ContextOf(mw);
  if (auto page = ChannelPageOf(ctx, position, title, LooksOf(mw), KeepWindowsAlive())) {
    if (guideList) {
      for (const std::string& line : page->lines)
        SendMessageW(guideList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(line).c_str()));
      if (page->selectedLine >= 0) SendMessageW(guideList, LB_SETCURSEL, page->selectedLine, 0);
    }
    WinExportFiles().WriteWhole(path, page->html);
  }
  if (!guideList) return;
  if (SendMessageW(guideList, LB_GETCOUNT, 0, 0) == 0)
    SendMessageW(guideList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"   Нет информации"));
  ShowWindow(guideList, SW_SHOW);
  SetWindowPos(guideList, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetFocus(guideList);
}

void ToggleGuideList(MainWindow& mw) {
  HWND list = mw.overlays.box;
  if (!list) return;
  if (IsWindowVisible(list)) {
    ShowWindow(list, SW_HIDE);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    return;
  }
  ExportGuide(mw, "$cur", "$tmp", list);
}

}  // namespace strevo
