// A fresh folder under the system's temporary folder for one test.
#pragma once
#include <windows.h>

#include <string>

#include "win/util_win.h"

namespace strevo::test {

// Created if missing and emptied of files.
inline std::string TempDir(const char* name) {
  std::string dir = SystemTempPath() + name;
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  DeleteFilesIn(dir);
  return dir;
}

}  // namespace strevo::test
