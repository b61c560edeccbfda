#include "ui/guide/guide_ui_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "base/datetime.h"
#include "base/text_helpers.h"
#include "guide/guide_files_win.h"
#include "guide/guide_update.h"
#include "unzip/zip_host_win.h"
#include "net/http.h"
#include "base/eventlog.h"
#include "win/file_win.h"
#include "playback/playlist.h"
#include "ui/channels/channel_list_paint_win.h"
#include "ui/commands/commands_win.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "ui/settings/settings_layout.h"
#include "ui/main/status_tick_win.h"
#include "win/util_win.h"
#include "win/clock_win.h"
#include "win/window_win.h"

namespace strevo {

namespace {

constexpr UINT kOsdHideMs = 5000;

std::string MenuCaption(const MainWindow& mw, int number) { return MenuItemCaption(mw.form.mainMenu, number); }

std::string GuideFolder() { return ExeFolder() + "\\TVGuide"; }


// One slider's position and range.
struct SliderRange {
  int position = 0, maximum = 0;
};

SliderRange ReadSlider(const MainWindow& mw, int id) {
  HWND bar = mw.settings.Control(id);
  if (!bar) return {};
  return {SliderValue(mw.settings, id), static_cast<int>(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0))};
}

SliderRange AdjustmentSlider(MainWindow& mw, int selector) {
  if (const int id = PictureSliderOf(selector)) return ReadSlider(mw, id);
  switch (selector) {
    case kRegulatorZoom: return {mw.input.zoom, kZoomMax};
    default: {
      // The volume bar is a progress bar: a trackbar's messages would set it
      // (TBM_GETRANGEMAX is PBM_SETPOS) instead of reading it.
      HWND bar = mw.form.Control(kPbVolume);
      return {SliderPosition(bar), static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0))};
    }
  }
}

// The list's channels as the XMLTV matching sees them, index-aligned with the
// titles (the pseudo-channel at 0 stays empty).
std::vector<XmltvListChannel> XmltvListOf(const MainWindow& mw) {
  std::vector<XmltvListChannel> list(mw.channelTitles.size());
  for (size_t i = 1; i < list.size(); ++i) {
    XmltvListChannel& c = list[i];
    c.title = mw.channelTitles[i];
    if (i < mw.channelTags.size()) {
      c.tvgId = mw.channelTags[i].tvgId;
      c.tvgName = mw.channelTags[i].tvgName;
      c.shiftMinutes = mw.channelTags[i].tvgShiftMinutes;
    }
    // The channel's own guide name in its settings names the guide channel outright.
    const int record = i < mw.channelMrls.size() ? FindRecordIndex(mw.configList, mw.channelMrls[i]) : -1;
    if (record >= 0) c.overrideName = ExtractField(mw.configList[static_cast<size_t>(record)], "|", 15);
  }
  return list;
}

GuideUpdateRequest RequestOf(MainWindow& mw) {
  GuideUpdateRequest r;
  r.url = ControlText(mw.settings, kIdGuideUrl);
  r.tempFolder = mw.tempFolder;
  r.guideFolder = GuideFolder();
  const int count = static_cast<int>(SendMessageW(mw.settings.Control(kIdGuideFile), CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) r.knownNames.push_back(ComboItemText(mw.settings, kIdGuideFile, i));
  r.updateCaption = MenuCaption(mw, kMenuUpdateGuide);
  r.localOffset = LocalOffsetMinutesAt;
  r.list = XmltvListOf(mw);
  return r;
}

GuideUpdateUi UiOf(MainWindow& mw, const GuideUpdateRequest& r) {
  MainWindow* w = &mw;
  GuideUpdateUi ui;
  ui.toUi = [](std::function<void()> fn) { PostToUi(std::move(fn)); };
  ui.clearCache = [w] {
    w->guideCache.Clear();
    GuideFilesOnDisk().Forget();
  };
  ui.rebuildCaptions = [w] { RefreshChannelCaptions(*w); };
  ui.showOsd = [w](const std::string& request) { ShowOsd(*w, request); };
  ui.refillNames = [w] { SetComboItems(w->settings, kIdGuideFile, GuideFileNames(ExeFolder())); };
  ui.setXmltv = [w, list = *r.list](std::shared_ptr<const XmltvGuide> guide) {
    ++w->xmltvGeneration;  // a reading still under way brings an older guide
    w->xmltvReading = false;
    w->xmltv = std::move(guide);
    w->xmltvReadFor = list;
    MatchXmltvToList(*w);
  };
  return ui;
}

// The whole update on the calling (worker) thread.
void RunUpdate(GuideUpdateRequest request, GuideUpdateUi ui, HWND progressBar, GuideWork* work) {
  {
    std::lock_guard<std::mutex> one(work->run);
    WinGuideUpdateSystem system(progressBar);
    UpdateGuide(request, system, ui);
  }
  --work->pending;
}

}  // namespace

WinGuideFiles& GuideFilesOnDisk() {
  static WinGuideFiles files;
  return files;
}

static GuideContext ContextOf(MainWindow& mw) {
  return {mw.channelTitles,      mw.channelMrls, mw.channelSelectorIndex, mw.configList,
          GuideFolder() + "\\", mw.guideCache,  GuideFilesOnDisk(),                    static_cast<int>(GetACP()),
          ClockNow(),             MenuCaption(mw, kMenuUpdateGuide), &mw.xmltvListGuides};
}

std::string GuideNowTextFor(MainWindow& mw, std::string_view channel, GuideTextMode mode) {
  return GuideNowText(ContextOf(mw), channel, mode);
}

namespace {

// Reads the kept guide for `list` on the calling (worker) thread, the
// transfer bar showing how far; the guide reaches the windows through
// PostToUi, unless a newer reading or update came meanwhile.
void ReadKeptXmltv(MainWindow* w, std::vector<XmltvListChannel> list, unsigned generation, HWND bar) {
  std::lock_guard<std::mutex> one(w->guideWork.run);  // not while an update replaces the file
  std::unique_ptr<ZipReader> in = WinZipHost().OpenArchive(GuideFolder() + "\\" + kXmltvFileName);
  std::shared_ptr<XmltvGuide> guide;
  XmltvStatus status = XmltvStatus::NotXmltv;
  if (in) {
    const int barMax = bar ? static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0)) : 0;
    if (bar) PostMessageW(bar, PBM_SETPOS, 0, 0);
    if (bar) ShowWindow(bar, SW_SHOWNA);
    XmltvStream stream(LocalOffsetMinutesAt, &list);
    constexpr uint32_t kPiece = uint32_t{1} << 20;
    std::string block(kPiece, '\0');
    bool whole = true;
    for (uint64_t at = 0; whole && at < in->Size(); at += kPiece) {
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kPiece, in->Size() - at));
      whole = in->ReadAt(at, block.data(), n) && stream.Feed(std::string_view(block.data(), n));
      if (bar) PostMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(barMax * ((at + n) * 100 / in->Size()) / 100), 0);
    }
    guide = std::make_shared<XmltvGuide>();
    status = stream.Finish(*guide);
    if (!whole && status == XmltvStatus::Ok) status = XmltvStatus::Malformed;
    if (bar) ShowWindow(bar, SW_HIDE);
    LogLine("xmltv guide read: " + std::to_string(guide->channels.size()) + " channels, " +
            std::to_string(guide->programmeCount) + " programmes" +
            (status == XmltvStatus::Ok ? "" : ", unreadable"));
    if (guide->unreadableTimes > 0)
      LogLine("xmltv guide: " + std::to_string(guide->unreadableTimes) + " programmes dropped, their times unreadable");
    if (status != XmltvStatus::Ok) guide = nullptr;
  }
  in.reset();
  PostToUi([w, guide = std::shared_ptr<const XmltvGuide>(std::move(guide)), list = std::move(list), generation] {
    if (generation != w->xmltvGeneration) return;  // a newer reading or update is the guide now
    w->xmltvReading = false;
    // No file, or one that cannot be read: no XMLTV guide, as at a start.
    const bool changed = guide || w->xmltv;  // a JTV guide alone has nothing to redo
    w->xmltv = guide;
    w->xmltvReadFor = list;
    if (!changed) return;
    MatchXmltvToList(*w);
    w->guideCache.Clear();
    RefreshChannelCaptions(*w);
  });
  --w->guideWork.pending;
}

}  // namespace

void LoadStoredXmltv(MainWindow& mw) {
  ++mw.guideWork.pending;
  mw.xmltvReading = true;
  mw.xmltvReadingFor = XmltvListOf(mw);
  std::thread(ReadKeptXmltv, &mw, mw.xmltvReadingFor, ++mw.xmltvGeneration, mw.form.Control(kPbTransfer)).detach();
}

void MatchXmltvToList(MainWindow& mw) {
  mw.xmltvListGuides.clear();
  if (!mw.xmltv) return;
  std::vector<XmltvListChannel> list = XmltvListOf(mw);
  // The guide holds the programmes of the channels it was read for only: a
  // list that changed (reloaded, its tags read or not) reads it again.
  if (list != mw.xmltvReadFor && (!mw.xmltvReading || mw.xmltvReadingFor != list)) LoadStoredXmltv(mw);
  mw.xmltvListGuides = XmltvListGuides(*mw.xmltv, list);
  if (!mw.xmltvListGuides.empty()) mw.xmltvListGuides[0] = nullptr;  // the pseudo-channel has no guide
}

void ShowOsd(MainWindow& mw, std::string_view request) {
  std::string text;
  if (IsOsdMessage(request)) {
    text = OsdMessageText(request);
  } else if (mw.globals.noOsd) {
    return;
  } else if (request == "$vol") {
    const SliderRange s = AdjustmentSlider(mw, mw.adjustSelector);
    text = OsdAdjustmentText(AdjustmentLabel(mw.adjustSelector), s.position, s.maximum);
  } else {
    const bool current = request == "$cur";
    int number = mw.channelSelectorIndex;
    std::string name;
    if (current) {
      if (number >= 0 && static_cast<size_t>(number) < mw.channelTitles.size()) name = mw.channelTitles[number];
    } else {
      auto it = std::find(mw.channelTitles.begin(), mw.channelTitles.end(), request);
      number = it == mw.channelTitles.end() ? -1 : static_cast<int>(it - mw.channelTitles.begin());
      name = std::string(request);
    }
    text = OsdChannelText(number, name, ClockNow(), GuideNowTextFor(mw, request, GuideTextMode::Osd));
  }
  HWND label = mw.overlays.lbcursub;
  if (!label) return;
  SetWindowTextUtf8(label, text);
  // Above the engine's picture, which is a sibling in the video window.
  SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  KillTimer(mw.hwnd, kOsdTimer);
  SetTimer(mw.hwnd, kOsdTimer, kOsdHideMs, nullptr);
}

void HideOsd(MainWindow& mw) {
  KillTimer(mw.hwnd, kOsdTimer);
  if (mw.overlays.lbcursub) ShowWindow(mw.overlays.lbcursub, SW_HIDE);
  mw.adjustSelector = 0;
}

static void RefreshChannelCaptionsNow(MainWindow& mw);

void RefreshChannelCaptions(MainWindow& mw) {
  if (!mw.startupFinished) return;
  const long long started = ViewTimingWanted() ? MicrosecondsNow() : 0;
  RefreshChannelCaptionsNow(mw);
  if (started) LogLine("channel menu refresh " + std::to_string(MicrosecondsNow() - started) + " us");
}

static void RefreshChannelCaptionsNow(MainWindow& mw) {
  const std::vector<std::string> summaries = GuideSummaries(ContextOf(mw));
  // Entry 0, the pseudo-channel, is numbered too: "0. Файл или поток".
  for (size_t k = 0; k < mw.channelTitles.size() && k < mw.channelSubmenuCaptions.size(); ++k)
    mw.channelSubmenuCaptions[k] = SubmenuCaption(k, mw.channelTitles[k]) + " " + summaries[k];
  BuildChannelEntries(mw);
  const size_t current = static_cast<size_t>(std::max(0, mw.channelSelectorIndex));
  if (current < mw.channelSubmenuCaptions.size()) {
    static bool tipAdded = false;
    HWND label = mw.form.Control(kLblCurrentChannel);
    if (!tipAdded) AddToolTip(mw, label, mw.channelSubmenuCaptions[current]);
    else SetToolTip(mw, label, mw.channelSubmenuCaptions[current]);
    tipAdded = label != nullptr;
  }
  RedrawVisibleChannelEntries(mw);
}

void StartGuideUpdate(MainWindow& mw) {
  ++mw.guideWork.pending;
  GuideUpdateRequest request = RequestOf(mw);
  GuideUpdateUi ui = UiOf(mw, request);
  std::thread(RunUpdate, std::move(request), std::move(ui), mw.form.Control(kPbTransfer), &mw.guideWork).detach();
}

void RunGuideUpdateAndWait(MainWindow& mw) {
  StartGuideUpdate(mw);
  WaitForGuideUpdates(mw);
  // The update's last hand-overs were queued before it ended: run them.
  PumpPendingMessages();
}

void WaitForGuideUpdates(MainWindow& mw) {
  while (mw.guideWork.pending > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpPendingMessages();
  }
}

}  // namespace strevo
