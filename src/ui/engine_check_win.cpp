#include "ui/engine_check_win.h"

#include <windows.h>

#include "../../resources/resource.h"
#include "base/eventlog.h"
#include "config/presets.h"
#include "guide/http_win.h"
#include "guide/unzip/zip.h"
#include "guide/unzip/zip_host_win.h"
#include "ui/mainwindow_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// "\r" alone breaks the lines; the fifth letter of "DireсtShow" is the
// Cyrillic "с", as the text has always been.
constexpr char kEngineQuestion[] =
    "Модуль LibVLC не может быть загружен!\r\rВарианты :\r"
    "   ДА - Загрузить только необходимые модули (LibVLC и плагины) и установить их в папку плеера\r"
    "   НЕТ - Перейти в режим работы с Dire\u0441tShow и продолжить\r"
    "   ОТМЕНА - Ничего не делать\r";

bool CreateEmptyFile(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace

bool EngineCheck(MainWindow& mw) {
  const int answer =
      MessageBoxUtf8(mw.hwnd, kEngineQuestion, mw.productName, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) {
    const std::string archive = mw.tempFolder + "\\Setup.zip";
    httpgetfile(DownloadAddress(mw.configList, kComponentsKey, LoadStringUtf8(IDS_COMPONENTS_URL)), archive);
    const std::string folder = ExeFolder() + "\\Vlc\\";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    WinZipHost host;
    ZipEnv env;
    env.host = &host;
    // A failed download leaves no archive: nothing is installed, the load
    // fails again and the question comes back.
    ZipExtractAll(archive, folder, "*.*", nullptr, nullptr, env);
    Sleep(300);
    LogLine("downloaded and installed components");
    return true;
  }
  if (answer == IDNO) {
    mw.directShowMode = true;
    CreateEmptyFile(ExeSibling(".dx"));
    LogLine("switched to dx");
    return false;
  }
  LogLine("halt now - novlc");
  LogLine(kLogSeparator);
  ExitProcess(0);
}

void SwitchEngine(MainWindow& mw) {
  const std::string marker = ExeSibling(".dx");
  if (FileExists(marker))
    DeleteFileW(Widen(marker).c_str());
  else
    CreateEmptyFile(marker);
  Sleep(1000);
  mw.restartAfterEngineSwitch = true;
  PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
}

}  // namespace strevo
