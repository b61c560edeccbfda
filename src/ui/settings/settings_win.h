// The settings window frmCfg: a panel with the tab control, its four pages
// built from the settings table, and the buttons "Применить" and "Закрыть".
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace strevo {

struct MainWindow;

// The notification code a picture slider sends when the middle button
// clicks it (trackbar codes are below 16).
inline constexpr int kSliderMiddleClick = 0x1000;

struct SettingsWindow {
  HWND panel = nullptr;
  HWND tabs = nullptr;
  std::vector<HWND> pages;
  std::map<int, HWND> controls;  // by SettingsId
  HFONT font = nullptr, boldFont = nullptr;
  // Set while values are written into the controls, so that the controls'
  // own notifications do not run operations.
  bool showing = false;

  HWND Control(int id) const {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
  }
};

// Builds the panel and its pages inside mw.frmCfg and sizes the window to it.
void BuildSettingsWindow(MainWindow& mw);
void SelectSettingsPage(MainWindow& mw, int page);
int CurrentSettingsPage(const MainWindow& mw);
void ShowSettingsWindow(MainWindow& mw, bool show);

// Values of the controls.
bool IsChecked(const SettingsWindow& s, int id);
void SetChecked(SettingsWindow& s, int id, bool checked);
int ComboIndex(const SettingsWindow& s, int id);
void SetComboIndex(SettingsWindow& s, int id, int index);
std::string ControlText(const SettingsWindow& s, int id);
void SetControlText(SettingsWindow& s, int id, const std::string& text);
void SetComboItems(SettingsWindow& s, int id, const std::vector<std::string>& items);
std::string ComboItemText(const SettingsWindow& s, int id, int index);
int SliderValue(const SettingsWindow& s, int id);  // trackbars and the scroll bar
void SetSliderValue(SettingsWindow& s, int id, int value);
void ShowControl(SettingsWindow& s, int id, bool shown);

}  // namespace strevo
