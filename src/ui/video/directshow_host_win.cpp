#include "ui/video/directshow_host_win.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "playback/directshow/graph_win.h"
#include "playback/settings_map.h"
#include "ui/channels/channel_list_win.h"
#include "ui/main/main_controls.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

static const wchar_t kDirectShowHostClass[] = L"StrevoDirectShowHost";

static DirectShowPlayer* PlayerOf(MainWindow& mw) { return static_cast<DirectShowPlayer*>(mw.directShow); }

void CreateDirectShowHost(MainWindow& mw) {
  if (mw.directShow || !mw.frmVideo) return;
  RegisterWindowClassOnce(kDirectShowHostClass, DefWindowProcW, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  // Clips its siblings: the channel list and the overlays lie over the picture.
  HWND panel = CreateWindowExW(0, kDirectShowHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                               0, 0, 360, 288, mw.frmVideo, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowPos(panel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  MainWindow* m = &mw;
  mw.directShow = new DirectShowPlayer(panel, [m] {
    applyglobals(*m, Sender::None);
    applysettings(*m, Sender::None);
    LayoutDirectShowVideo(*m);
  });
  FitDirectShowHost(mw);
  // What only the engine does: recording, the audio card, deinterlacing and
  // the automatic crop.
  EnableWindow(mw.form.Control(kBtnRecord), FALSE);
  for (int id : {kIdAudioDevice, kIdDeinterlace, kIdAutoCrop}) EnableWindow(mw.settings.Control(id), FALSE);
}

void FitDirectShowHost(MainWindow& mw) {
  DirectShowPlayer* p = PlayerOf(mw);
  if (!p || !mw.frmVideo) return;
  // Zoomed, the picture keeps its aspect in an area past the window's edges.
  const Box b = ZoomedPicture(PictureAreaWidth(mw), PictureAreaHeight(mw), mw.input.zoom);
  MoveWindow(p->panel(), b.left, b.top, b.width, b.height, TRUE);
  LayoutDirectShowVideo(mw);
}

void LayoutDirectShowVideo(MainWindow& mw) {
  DirectShowPlayer* p = PlayerOf(mw);
  if (!p) return;
  RECT rc;
  GetClientRect(p->panel(), &rc);
  // The box's first entry forces no ratio, whatever the language calls it.
  std::string firstEntry;
  if (HWND box = mw.settings.Control(kIdAspect)) {
    const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, 0, 0);
    if (length != CB_ERR) {
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      firstEntry = Narrow(text);
    }
  }
  p->Layout(rc.right, rc.bottom, AspectOfSetting(mw.channel.aspect, firstEntry));
}

void DirectShowStatusTick(MainWindow& mw) {
  if (!mw.directShowMode) return;
  // The end of a file: the graph would otherwise hold its last picture.
  if (DirectShowFileEnded(mw)) player_stop(mw);
  else if (DirectShowPlayer* p = PlayerOf(mw)) p->ClearBars();
}

void ReleaseDirectShowHost(MainWindow& mw) {
  if (DirectShowPlayer* p = PlayerOf(mw)) {
    p->Release();
    delete p;
  }
  mw.directShow = nullptr;
  CoUninitialize();
}

}  // namespace strevo
