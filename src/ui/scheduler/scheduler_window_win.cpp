#include "ui/scheduler/scheduler_window_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../../resources/resource.h"
#include "base/datetime.h"
#include "config/config.h"
#include "scheduler/shed_editor.h"
#include "scheduler/shed_file_win.h"
#include "scheduler/shed_tasks.h"
#include "ui/scheduler/scheduler_controls_win.h"
#include "ui/scheduler/scheduler_layout.h"
#include "ui/scheduler/scheduler_recorders_win.h"
#include "ui/texts/translate_win.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

namespace {

const wchar_t kSchedulerClass[] = L"StrevoScheduler";
enum : UINT_PTR { kClockTimer = 1, kRecordersTimer = 2 };
constexpr unsigned kClockMs = 100, kRecordersMs = 1500;

// The range a picker can show; a date outside it is shown as today.
bool PickerCanShow(DateTime value) { return value >= EncodeDate(1753, 1, 1) && value < EncodeDate(9999, 12, 31); }

class SchedulerWindow;
SchedulerWindow* g_open = nullptr;  // the process's one scheduler window

class SchedulerWindow : public Window {
 public:
  explicit SchedulerWindow(const SchedulerWindowOptions& options) : options_(options) {}

  bool Build();
  void Cancel() { Close(); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override {
    if (g_open == this) g_open = nullptr;
    delete this;
  }

 private:
  HWND Ctl(int id) const { return GetDlgItem(hwnd(), id); }
  bool Checked(int id) const { return SendMessageW(Ctl(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(int id, bool on) { SendMessageW(Ctl(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  int Selected(int id) const { return static_cast<int>(SendMessageW(Ctl(id), CB_GETCURSEL, 0, 0)); }
  void Select(int id, int index) { SendMessageW(Ctl(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  DateTime Picker(int id) const {
    SYSTEMTIME st{};
    DateTime_GetSystemtime(Ctl(id), &st);
    return FromSystemTime(st);
  }
  void SetPicker(int id, DateTime value) {
    SYSTEMTIME st = ToSystemTime(value);
    DateTime_SetSystemtime(Ctl(id), GDT_VALID, &st);
  }
  // A time picker keeps its own date; only its time of day changes.
  int PickerMinute(int id) const { return std::max(0, TaskMinuteOfDay(Picker(id))); }
  void SetPickerMinute(int id, int minute) {
    SetPicker(id, std::floor(Picker(id)) + TimeOfDay(minute / 60, minute % 60));
  }

  void CreateControls();
  void FillLists();
  void LoadTasks();
  void AddItem(const ShedTask& task, bool ticked);
  int ItemCount() const { return ListView_GetItemCount(Ctl(kShTaskList)); }
  int SelectedItem() const { return ListView_GetNextItem(Ctl(kShTaskList), -1, LVNI_SELECTED); }
  void MakeCurrent(int index);
  void ShowTask(int index);
  void ClearEditor();
  ShedKind Kind() const {
    return Checked(kShView)          ? ShedKind::View
           : Checked(kShRecord)      ? ShedKind::Record
           : Checked(kShCommandKind) ? ShedKind::Command
                                     : ShedKind::None;
  }
  void ApplyRules();
  void WriteBack();
  void Changed() {
    ApplyRules();
    WriteBack();
  }
  void StartOrDurationChanged() {
    SetPickerMinute(kShEnd, EndMinuteFor(PickerMinute(kShStart), PickerMinute(kShDuration)));
    Changed();
  }
  void EndChanged() {
    SetPickerMinute(kShDuration, DurationMinutesFor(PickerMinute(kShStart), PickerMinute(kShEnd)));
    Changed();
  }

  void Add();
  void Copy();
  void Delete();
  void SetNow();
  void Hint();
  void Ok();
  void Close() { Destroy(); }
  void OnCommand(int id, int code, HWND from);
  LRESULT OnNotify(const NMHDR& hdr);

  SchedulerWindowOptions options_;
  std::vector<ShedTask> tasks_;  // index-aligned with the task list's items
  std::vector<std::string> channels_;
  int current_ = -1;
  bool loading_ = false;
  SchedulerControlSet controls_;  // fonts and tool tips of the controls
  RecorderList recorders_;
};

bool SchedulerWindow::Build() {
  static bool registered = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    return Window::RegisterClassOnce(kSchedulerClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  }();
  if (!registered) return false;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  RECT r{0, 0, kSchedulerClientWidth, kSchedulerClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  const std::wstring caption = Widen("Планировщик");
  WindowArgs w;
  w.className = kSchedulerClass;
  w.title = caption.c_str();
  w.style = style;
  w.exStyle = exStyle;
  w.width = r.right - r.left;
  w.height = r.bottom - r.top;
  w.x = (GetSystemMetrics(SM_CXSCREEN) - w.width) / 2;
  w.y = (GetSystemMetrics(SM_CYSCREEN) - w.height) / 2;
  w.parent = options_.owner;
  if (!Create(w)) return false;
  // "OK" and "Отмена" close it, not the title bar.
  DeleteMenu(GetSystemMenu(hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND);
  CreateControls();
  FillLists();
  TranslateUi(hwnd(), nullptr, ExeSibling(".lng"));
  // Their entries mean their position (the task file keeps the number).
  for (int id : {kShMode, kShAfterEnd}) TranslateUi(Ctl(id), nullptr, ExeSibling(".lng"));
  recorders_.Attach(hwnd(), Ctl(kShRecorders), Ctl(kShRecorderCount), ExeSibling(".lng"));
  g_open = this;
  LoadTasks();
  recorders_.Refresh();
  SetTimer(hwnd(), kClockTimer, ClockInterval(kClockMs), nullptr);
  SetTimer(hwnd(), kRecordersTimer, kRecordersMs, nullptr);
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  return true;
}

void SchedulerWindow::CreateControls() {
  controls_ = CreateSchedulerControls(hwnd(), options_.tips);
  SetChecked(kShEnabled, true);
  SetChecked(kShRecord, true);
  // An empty editor shows what "add" would make: now, and an hour.
  const DateTime now = ClockNow();
  for (int id : {kShStart, kShDate, kShEnd, kShDuration}) SetPicker(id, now);
  const int start = std::max(0, TaskMinuteOfDay(now));
  SetPickerMinute(kShDuration, 60);
  SetPickerMinute(kShEnd, EndMinuteFor(start, 60));
}

// "Читать теги M3U" as the configuration file holds it: what the player reads
// the list with when it starts.
static bool ConfiguredReadTags() {
  std::string bytes;
  if (!ReadFileBytes(ExeSibling(".ini"), bytes, kPlaylistMaxBytes)) return false;
  GlobalSettings settings;
  ReadExtRecord(ParseConfigText(AnsiToUtf8(bytes)), settings);
  return settings.readM3uTags;
}

void SchedulerWindow::FillLists() {
  // No list copy yet (the player never ran): no channels.
  std::string playlist;
  ReadFileBytes(ExeSibling(".m3u"), playlist, kPlaylistMaxBytes);
  channels_ = SchedulerChannelTitles(playlist, [](std::string_view s) { return AnsiToUtf8(s); },
                                     options_.readTags ? *options_.readTags : ConfiguredReadTags());
  for (const auto& title : channels_)
    SendMessageW(Ctl(kShChannel), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(title).c_str()));
  for (auto text : kRecordModeTexts)
    SendMessageW(Ctl(kShMode), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  for (auto text : kAfterEndTexts)
    SendMessageW(Ctl(kShAfterEnd), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  for (auto text : kCommandPresets)
    SendMessageW(Ctl(kShCommand), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  for (int id : {kShChannel, kShMode, kShAfterEnd}) Select(id, 0);
}

void SchedulerWindow::LoadTasks() {
  const std::optional<ShedFile> file = LoadShedFile(ShedFilePath());
  // A file of another version shows no tasks and leaves the switch ticked.
  if (!file || !file->versionOk) return;
  SetChecked(kShEnabled, file->switchOn);
  for (const ShedTask& t : file->tasks) AddItem(t, t.Enabled == 1);
  if (!tasks_.empty()) MakeCurrent(0);
}

void SchedulerWindow::AddItem(const ShedTask& task, bool ticked) {
  tasks_.push_back(task);
  const std::wstring name = Widen(task.TaskName);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = ItemCount();
  item.pszText = const_cast<wchar_t*>(name.c_str());
  const int at = ListView_InsertItem(Ctl(kShTaskList), &item);
  ListView_SetCheckState(Ctl(kShTaskList), at, ticked);
  tasks_.back().Enabled = ticked ? 1 : 0;
}

void SchedulerWindow::MakeCurrent(int index) {
  HWND list = Ctl(kShTaskList);
  loading_ = true;  // the selection's notifications must not write back
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index >= 0) {
    ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, index, FALSE);
  }
  loading_ = false;
  ShowTask(index);
}

void SchedulerWindow::ShowTask(int index) {
  if (index < 0 || index >= static_cast<int>(tasks_.size())) {
    current_ = -1;
    ClearEditor();
    return;
  }
  current_ = index;
  const ShedTask& t = tasks_[static_cast<size_t>(index)];
  loading_ = true;
  SetWindowTextUtf8(Ctl(kShName), t.TaskName);
  const int start = std::max(0, TaskMinuteOfDay(t.StartTime)), end = std::max(0, TaskMinuteOfDay(t.EndTime));
  SetPickerMinute(kShStart, start);
  const DateTime date = FromShedDay(t.TaskDate);
  SetPicker(kShDate, PickerCanShow(date) ? date : ClockNow());
  for (int d = 0; d < 7; ++d) SetChecked(kShMonday + d, t.WeekDays[static_cast<size_t>(d)] == 1);
  const ShedKind kind = TaskKind(t);
  SetChecked(kShView, kind == ShedKind::View);
  SetChecked(kShRecord, kind == ShedKind::Record);
  SetChecked(kShCommandKind, kind == ShedKind::Command);
  const bool channelListed = t.ChannelIndex >= 0 && t.ChannelIndex < static_cast<int>(channels_.size());
  Select(kShChannel, channelListed ? t.ChannelIndex : -1);
  SetWindowTextUtf8(Ctl(kShSuffix), t.FileSuffix);
  Select(kShMode, t.RecordMode >= 0 && t.RecordMode < 5 ? t.RecordMode : -1);
  SetWindowTextUtf8(Ctl(kShCommand), t.CommandLine);
  SetPickerMinute(kShEnd, end);
  SetPickerMinute(kShDuration, DurationMinutesFor(start, end));
  Select(kShAfterEnd, t.AfterEnd >= 0 && t.AfterEnd < 6 ? t.AfterEnd : -1);
  loading_ = false;
  Changed();
}

void SchedulerWindow::ClearEditor() {
  loading_ = true;
  for (int id : {kShName, kShSuffix, kShCommand}) SetWindowTextW(Ctl(id), L"");
  loading_ = false;
  ApplyRules();
}

void SchedulerWindow::ApplyRules() {
  bool anyDay = false;
  for (int d = 0; d < 7; ++d) anyDay = anyDay || Checked(kShMonday + d);
  const ShedEditorEnabling e = EditorEnabling(Kind(), anyDay, WindowText(Ctl(kShCommand)));
  EnableWindow(Ctl(kShDate), e.date);
  EnableWindow(Ctl(kShChannel), e.channel);
  EnableWindow(Ctl(kShSuffix), e.fileSuffix);
  EnableWindow(Ctl(kShMode), e.recordMode);
  EnableWindow(Ctl(kShCommand), e.command);
  EnableWindow(Ctl(kShEnd), e.endTimes);
  EnableWindow(Ctl(kShDuration), e.endTimes);
  EnableWindow(Ctl(kShAfterEnd), e.afterEnd);
}

void SchedulerWindow::WriteBack() {
  if (loading_ || current_ < 0 || current_ >= static_cast<int>(tasks_.size())) return;
  ShedTask& t = tasks_[static_cast<size_t>(current_)];
  t.TaskName = WindowText(Ctl(kShName));
  const int start = PickerMinute(kShStart), end = PickerMinute(kShEnd);
  t.StartTime = TimeOfDay(start / 60, start % 60);
  t.TaskDate = ToShedDay(Picker(kShDate));
  for (int d = 0; d < 7; ++d) t.WeekDays[static_cast<size_t>(d)] = Checked(kShMonday + d) ? 1 : 0;
  t.KindView = Checked(kShView) ? 1 : 0;
  t.KindRecord = Checked(kShRecord) ? 1 : 0;
  t.KindCommand = Checked(kShCommandKind) ? 1 : 0;
  // A task whose channel is not in the list keeps it: the list may be
  // shorter today than when the task was made.
  if (const int channel = Selected(kShChannel); channel >= 0) t.ChannelIndex = channel;
  t.FileSuffix = WindowText(Ctl(kShSuffix));
  if (const int mode = Selected(kShMode); mode >= 0) t.RecordMode = mode;
  t.CommandLine = WindowText(Ctl(kShCommand));
  t.EndTime = TimeOfDay(end / 60, end % 60);
  if (const int after = Selected(kShAfterEnd); after >= 0) t.AfterEnd = after;
  const std::wstring name = Widen(t.TaskName);
  ListView_SetItemText(Ctl(kShTaskList), current_, 0, const_cast<wchar_t*>(name.c_str()));
}

void SchedulerWindow::Add() {
  ShedTask task = NewShedTask(ClockNow());
  // With no channel list there is no channel to name.
  if (channels_.empty()) task.ChannelIndex = -1;
  AddItem(task, true);
  MakeCurrent(ItemCount() - 1);
}

void SchedulerWindow::Copy() {
  if (current_ < 0) return;
  const ShedTask copy = tasks_[static_cast<size_t>(current_)];
  AddItem(copy, true);
  MakeCurrent(ItemCount() - 1);
}

void SchedulerWindow::Delete() {
  if (current_ < 0) return;
  const int at = current_;
  current_ = -1;
  tasks_.erase(tasks_.begin() + at);
  ListView_DeleteItem(Ctl(kShTaskList), at);
  const int count = ItemCount();
  MakeCurrent(count == 0 ? -1 : (at < count ? at : count - 1));
}

void SchedulerWindow::SetNow() {
  const DateTime now = ClockNow();
  SetPickerMinute(kShStart, std::max(0, TaskMinuteOfDay(now)));
  SetPicker(kShDate, now);
  StartOrDurationChanged();
}

void SchedulerWindow::Hint() {
  const std::string text = TranslateText(LoadStringUtf8(IDS_SCHEDULER_HINT), ExeSibling(".lng"));
  MessageBoxUtf8(hwnd(), text, LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2),
                 MB_OK | MB_ICONINFORMATION);
}

void SchedulerWindow::Ok() {
  for (int i = 0; i < ItemCount(); ++i)
    tasks_[static_cast<size_t>(i)].Enabled = ListView_GetCheckState(Ctl(kShTaskList), i) ? 1 : 0;
  if (!WriteShedTasksFile(ShedFilePath(), Checked(kShEnabled), tasks_)) {
    // The window stays open with the edits: the user may mend the cause
    // (a read-only folder, a locked file) and press "OK" again.
    const std::string reason = SystemErrorText(GetLastError());
    MessageBoxUtf8(hwnd(),
                   TranslateText(kShedSaveFailed, ExeSibling(".lng")) + "\r" + ShedFilePath() + "\r\r" + reason,
                   LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2), MB_OK | MB_ICONERROR);
    return;
  }
  if (options_.saved) options_.saved();
  Close();
}

void SchedulerWindow::OnCommand(int id, int code, HWND from) {
  if (from == nullptr && code == 0 && recorders_.OnMenu(id)) return;
  switch (id) {
    case kShOk: Ok(); return;
    case kShCancel: Close(); return;
    case kShAdd:
      if (code == STN_CLICKED) Add();
      return;
    case kShCopy:
    case kShCopyPlus:
      if (code == STN_CLICKED) Copy();
      return;
    case kShDelete:
      if (code == STN_CLICKED) Delete();
      return;
    case kShSetNow:
      if (code == STN_CLICKED) SetNow();
      return;
    case kShHint:
      if (code == STN_CLICKED) Hint();
      return;
    case kShName:
    case kShSuffix:
      if (code == EN_CHANGE) Changed();
      return;
    case kShChannel:
    case kShMode:
    case kShAfterEnd:
      if (code == CBN_SELCHANGE) Changed();
      return;
    case kShCommand:
      if (code == CBN_SELCHANGE) {
        // The edit part shows the chosen text only after this notification.
        const int sel = Selected(kShCommand);
        if (sel >= 0 && sel < static_cast<int>(kCommandPresets.size()))
          SetWindowTextUtf8(Ctl(kShCommand), kCommandPresets[static_cast<size_t>(sel)]);
        Changed();
      } else if (code == CBN_EDITCHANGE) {
        Changed();
      }
      return;
    case kShRecorders:
      if (code == LBN_DBLCLK) recorders_.Run(RecorderCommand::Finish);
      return;
    case kShView:
    case kShRecord:
    case kShCommandKind:
      if (code == BN_CLICKED) Changed();
      return;
    default:
      if (id >= kShMonday && id <= kShSunday && code == BN_CLICKED) Changed();
      return;
  }
}

LRESULT SchedulerWindow::OnNotify(const NMHDR& hdr) {
  const int id = static_cast<int>(hdr.idFrom);
  if (hdr.code == DTN_DATETIMECHANGE) {
    if (loading_) return 0;
    if (id == kShStart || id == kShDuration) StartOrDurationChanged();
    else if (id == kShEnd) EndChanged();
    else if (id == kShDate) Changed();
    return 0;
  }
  if (id == kShTaskList && hdr.code == LVN_ITEMCHANGED && !loading_) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
    if (change.iItem < 0 || change.iItem >= static_cast<int>(tasks_.size())) return 0;
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_STATEIMAGEMASK) != (change.uOldState & LVIS_STATEIMAGEMASK))
      tasks_[static_cast<size_t>(change.iItem)].Enabled = ListView_GetCheckState(hdr.hwndFrom, change.iItem) ? 1 : 0;
    if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED) && change.iItem != current_)
      ShowTask(change.iItem);
  }
  return 0;
}

LRESULT SchedulerWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_TIMER:
      if (wp == kClockTimer) SetWindowTextUtf8(Ctl(kShClock), FormatDateTime("HH:mm:ss", ClockNow()));
      if (wp == kRecordersTimer) recorders_.Refresh();
      return 0;
    case WM_MEASUREITEM:
      if (wp == static_cast<WPARAM>(kShRecorders)) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = kRecorderItemHeight;
        return TRUE;
      }
      break;
    case WM_DRAWITEM:
      if (wp == static_cast<WPARAM>(kShRecorders)) {
        recorders_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == Ctl(kShRecorders)) {
        recorders_.ShowMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      const ShControl* c = SchedulerControl(id);
      if (c && c->kind == ShControlKind::Glyph) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SETCURSOR: {
      const ShControl* c = SchedulerControl(GetDlgCtrlID(reinterpret_cast<HWND>(wp)));
      if (c && c->kind == ShControlKind::Glyph) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      // The title bar's close is gone; the system may still ask (log-off).
      Close();
      return 0;
    case WM_DESTROY:
      if (g_open == this) g_open = nullptr;
      KillTimer(hwnd(), kClockTimer);
      KillTimer(hwnd(), kRecordersTimer);
      return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace

bool IsSchedulerWindowOpen() { return g_open != nullptr; }

void OpenSchedulerWindow(const SchedulerWindowOptions& options) {
  if (g_open) return;
  auto* window = new SchedulerWindow(options);
  if (!window->Build()) {
    if (window->hwnd()) window->Destroy();  // OnDestroyed frees it
    else delete window;
  }
}

void CloseSchedulerWindow() {
  if (g_open) g_open->Cancel();
}

bool SchedulerWindowMessage(MSG* msg) {
  if (!g_open || !g_open->hwnd()) return false;
  return IsDialogMessageW(g_open->hwnd(), msg) != FALSE;
}

}  // namespace strevo
