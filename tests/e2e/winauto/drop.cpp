// Loaded into the program under test by `winauto drop`: posts a window of that
// program a WM_DROPFILES whose HDROP lives in the program's own memory, as the
// shell's drop does, then refuses to stay loaded. The request lies beside the
// library in "<library>.txt", UTF-16: the window handle in hex, a line feed,
// the dropped file's name.
#include <windows.h>
#include <shlobj.h>

#include <cwchar>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return FALSE;
  wcscpy(path + n, L".txt");
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return FALSE;
  wchar_t request[2048] = {};
  DWORD got = 0;
  ReadFile(f, request, sizeof request - sizeof(wchar_t), &got, nullptr);
  CloseHandle(f);
  wchar_t* name = wcschr(request, L'\n');
  if (!name) return FALSE;
  *name++ = 0;
  HWND target = reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(request, nullptr, 16)));
  const size_t chars = wcslen(name);
  HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + (chars + 2) * sizeof(wchar_t));
  if (!drop) return FALSE;
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  wmemcpy(reinterpret_cast<wchar_t*>(files + 1), name, chars);  // the list ends with two zeros (GHND cleared them)
  GlobalUnlock(drop);
  if (!PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) GlobalFree(drop);
  return FALSE;
}
