#include "ui/scheduler/scheduler_recorders_win.h"

#include "playback/recorder_windows_win.h"
#include "scheduler/shed_editor.h"
#include "ui/texts/translate_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// The status text of a recorder's window, read across processes, or nullopt
// when the window has no status child.
bool RecorderStatus(HWND recorder, std::wstring& text) {
  HWND status = FindWindowExW(recorder, nullptr, L"obj_STATIC", nullptr);
  if (!status) return false;
  wchar_t buf[256] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(status, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 1000, &got))
    got = 0;
  text.assign(buf, got < 256 ? got : 255);
  return true;
}

}  // namespace

RecorderList::~RecorderList() {
  if (menu_.root) DestroyMenu(menu_.root);
}

void RecorderList::Attach(HWND owner, HWND list, HWND countLabel, const std::string& languageFile) {
  owner_ = owner;
  list_ = list;
  count_ = countLabel;
  menu_ = BuildPopupMenu(kRecorderMenu, kMenuBase);
  TranslateUi(nullptr, &menu_, languageFile);
}

void RecorderList::Refresh() {
  const int previous = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  const LRESULT selectedWindow =
      previous >= 0 ? SendMessageW(list_, LB_GETITEMDATA, static_cast<WPARAM>(previous), 0) : 0;
  int sameAt = -1;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  int count = 0;
  for (HWND recorder : BackgroundRecorderWindows()) {
    std::wstring text;
    if (!RecorderStatus(recorder, text)) continue;
    const LRESULT at = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0) SendMessageW(list_, LB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(recorder));
    if (selectedWindow && reinterpret_cast<LRESULT>(recorder) == selectedWindow) sameAt = count;
    ++count;
  }
  SetWindowTextUtf8(count_, std::to_string(count));
  const int select = ReselectedRecorder(previous, sameAt, count);
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void RecorderList::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
  const int len = static_cast<int>(SendMessageW(list_, LB_GETTEXTLEN, item.itemID, 0));
  std::wstring text(len > 0 ? static_cast<size_t>(len) + 1 : 1, L'\0');
  if (len > 0) SendMessageW(list_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(len > 0 ? static_cast<size_t>(len) : 0);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textRect{r.left + 2, r.top + 2, r.right, r.bottom};
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &textRect, DT_EXPANDTABS | DT_NOPREFIX);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(item.hDC, pen);
  MoveToEx(item.hDC, r.left, r.bottom - 1, nullptr);
  LineTo(item.hDC, r.right, r.bottom - 1);
  SelectObject(item.hDC, old);
  DeleteObject(pen);
}

void RecorderList::ShowMenu(int screenX, int screenY) {
  if (screenX == -1 && screenY == -1) {  // from the keyboard: at the list
    RECT r;
    GetWindowRect(list_, &r);
    screenX = r.left;
    screenY = r.top;
  }
  SetForegroundWindow(owner_);
  TrackPopupMenu(menu_.root, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenX, screenY, 0, owner_, nullptr);
}

bool RecorderList::OnMenu(int id) {
  if (id < static_cast<int>(kMenuBase) || id >= static_cast<int>(kMenuBase + kRecorderMenu.size())) return false;
  Run(RecorderMenuCommand(id - static_cast<int>(kMenuBase)));
  return true;
}

void RecorderList::Run(RecorderCommand command) {
  const LRESULT sel = SendMessageW(list_, LB_GETCURSEL, 0, 0);
  if (sel < 0) return;
  HWND recorder = reinterpret_cast<HWND>(SendMessageW(list_, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
  if (!recorder || !IsWindow(recorder)) return;
  switch (command) {
    case RecorderCommand::Finish:
      // The recorder finishes its file and exits.
      SetForegroundWindow(recorder);
      PostMessageW(recorder, WM_CLOSE, 0, 0);
      SetForegroundWindow(owner_);
      break;
    case RecorderCommand::Show: ShowWindow(recorder, SW_SHOW); break;
    case RecorderCommand::Hide: ShowWindow(recorder, SW_HIDE); break;
    case RecorderCommand::None: break;
  }
}

}  // namespace strevo
