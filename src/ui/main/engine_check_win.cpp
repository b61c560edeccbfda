#include "ui/main/engine_check_win.h"

#include <windows.h>

#include "../../resources/resource.h"
#include "base/eventlog.h"
#include "config/presets.h"
#include "net/http_win.h"
#include "unzip/zip.h"
#include "unzip/zip_host_win.h"
#include "ui/main/mainwindow_win.h"
#include "win/file_win.h"
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

// Downloads the components and unpacks them apart, beside "Vlc\\", moving
// them in only when every entry came out whole: a damaged archive must not
// leave the engine's files half replaced, nor delete those that were there.
void InstallComponents(MainWindow& mw) {
  const std::string archive = mw.tempFolder + "\\Setup.zip";
  if (!httpgetfile(DownloadAddress(mw.configList, kComponentsKey, LoadStringUtf8(IDS_COMPONENTS_URL)), archive)) {
    LogLine("components not installed: the download failed");
    return;
  }
  const std::string folder = ExeFolder() + "\\Vlc";
  const std::string staging = ExeFolder() + "\\Vlc.new";
  RemoveFolderTree(staging);
  CreateDirectoryW(Widen(staging).c_str(), nullptr);
  WinZipHost host;
  ZipEnv env;
  env.host = &host;
  int failed = 0;
  const int extracted = ZipExtractAll(
      archive, staging + "\\", "*.*",
      [&failed](int32_t code, const TReportRec& rec) {
        // Blocks report their byte count; every other negative code but the
        // entry's start and end and the archive's is a failure.
        if (code < 0 && code != kZipReportStart && code != kZipReportEntry && code != kZipReportDone &&
            code != kZipReportEnd && !rec.is_directory)
          ++failed;
      },
      nullptr, env);
  DeleteFileW(Widen(archive).c_str());
  if (extracted <= 0 || failed > 0) {
    LogLine("components not installed: the archive did not unpack whole (" + std::to_string(extracted) + " entries, " +
            std::to_string(failed) + " failed)");
    RemoveFolderTree(staging);
    return;
  }
  const bool moved = MoveFilesInto(staging, folder);
  RemoveFolderTree(staging);
  Sleep(300);
  LogLine(moved ? "downloaded and installed components" : "components not installed: they could not be moved into Vlc");
}

}  // namespace

bool EngineCheck(MainWindow& mw) {
  const int answer =
      MessageBoxUtf8(mw.hwnd, kEngineQuestion, mw.productName, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) {
    // Whatever happens, the load is tried again, and the question comes back
    // while it fails.
    InstallComponents(mw);
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
