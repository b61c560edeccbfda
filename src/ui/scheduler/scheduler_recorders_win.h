// The scheduler window's list of running background recorders: their status
// texts, owner-drawn, with a menu to finish, show or hide a recorder.
#pragma once
#include <windows.h>

#include <string>

#include "ui/commands/menus_win.h"
#include "ui/scheduler/scheduler_menus.h"

namespace strevo {

class RecorderList {
 public:
  RecorderList() = default;
  RecorderList(const RecorderList&) = delete;
  RecorderList& operator=(const RecorderList&) = delete;
  ~RecorderList();

  // `owner` receives the menu's commands and comes back to the front after
  // a recorder was finished.
  void Attach(HWND owner, HWND list, HWND countLabel, const std::string& languageFile);
  // Lists the recorders afresh, keeping the selected position.
  void Refresh();
  void Draw(const DRAWITEMSTRUCT& item) const;
  void ShowMenu(int screenX, int screenY);
  // A command of the menu: true when `id` is one.
  bool OnMenu(int id);
  // On the selected recorder; nothing when none is selected.
  void Run(RecorderCommand command);

  static constexpr UINT kMenuBase = 0x7100;

 private:
  HWND owner_ = nullptr;
  HWND list_ = nullptr;
  HWND count_ = nullptr;
  PopupMenu menu_;
};

}  // namespace strevo
