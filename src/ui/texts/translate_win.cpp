#include "ui/texts/translate_win.h"

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "base/codepage.h"
#include "base/translate.h"
#include "ui/commands/menus_win.h"
#include "win/util_win.h"

namespace strevo {

// The keys are digests of the program's own Russian texts, which are the same
// whatever the system's code page: always their Windows-1251 bytes, so that a
// language file works on an English or a Polish system as on a Russian one.
static std::string KeyBytes(std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); }

static LanguageFile ReadLanguageFile(const std::string& path) {
  std::ifstream in(Widen(path).c_str(), std::ios::binary);
  if (!in) return LanguageFile({}, KeyBytes);
  std::stringstream ss;
  ss << in.rdbuf();
  return LanguageFile::FromText(AnsiToUtf8(ss.str()), KeyBytes);
}

static std::wstring ClassOf(HWND h) {
  wchar_t buf[64];
  int n = GetClassNameW(h, buf, 64);
  return std::wstring(buf, n > 0 ? n : 0);
}

static void TranslateItems(HWND h, const LanguageFile& lng) {
  const std::wstring cls = ClassOf(h);
  if (_wcsicmp(cls.c_str(), WC_TABCONTROLW) == 0) {
    int n = TabCtrl_GetItemCount(h);
    for (int i = 0; i < n; ++i) {
      wchar_t buf[256];
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = buf;
      item.cchTextMax = 256;
      TabCtrl_GetItem(h, i, &item);
      std::wstring text = Widen(lng.Translate(Narrow(buf)));
      item.pszText = text.data();
      TabCtrl_SetItem(h, i, &item);
    }
  } else if (_wcsicmp(cls.c_str(), L"ComboBox") == 0 || _wcsicmp(cls.c_str(), L"ListBox") == 0) {
    const bool combo = _wcsicmp(cls.c_str(), L"ComboBox") == 0;
    const int n = static_cast<int>(SendMessageW(h, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    const int sel = static_cast<int>(SendMessageW(h, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
    for (int i = 0; i < n; ++i) {
      int len = static_cast<int>(SendMessageW(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0));
      std::wstring w(static_cast<size_t>(len) + 1, L'\0');
      SendMessageW(h, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(w.data()));
      w.resize(static_cast<size_t>(len));
      std::wstring text = Widen(lng.Translate(Narrow(w)));
      SendMessageW(h, combo ? CB_DELETESTRING : LB_DELETESTRING, i, 0);
      SendMessageW(h, combo ? CB_INSERTSTRING : LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(h, combo ? CB_SETCURSEL : LB_SETCURSEL, sel, 0);
  }
}

std::string TranslateText(std::string_view text, const std::string& languageFile) {
  return ReadLanguageFile(languageFile).Translate(text);
}

void TranslateUi(HWND control, const PopupMenu* menu, const std::string& languageFile) {
  const LanguageFile lng = ReadLanguageFile(languageFile);
  if (lng.Empty()) return;
  if (control) {
    SetWindowTextUtf8(control, lng.Translate(WindowText(control)));
    for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      std::string text = WindowText(child);
      // A child box's entries stay: some are stored as the value chosen
      // (a channel's deinterlace mode), so a translated entry would be data.
      if (!text.empty()) SetWindowTextUtf8(child, lng.Translate(text));
    }
    TranslateItems(control, lng);
  }
  if (menu) {
    for (size_t i = 0; i < menu->owner.size(); ++i) {
      HMENU owner = menu->owner[i];
      if (!owner) continue;
      // Items absent from the popup (hidden ones) are skipped by position lookup.
      wchar_t buf[512];
      MENUITEMINFOW mi{sizeof mi};
      mi.fMask = MIIM_STRING | MIIM_FTYPE;
      mi.dwTypeData = buf;
      mi.cch = 512;
      if (menu->position[i] == 0xFFFFFFFF || !GetMenuItemInfoW(owner, menu->position[i], TRUE, &mi)) continue;
      std::string caption = (mi.fType & MFT_SEPARATOR) ? std::string("-") : Narrow(std::wstring(buf, mi.cch));
      if (caption.empty()) continue;
      std::string translated = lng.TranslateMenuCaption(caption);
      if (translated == caption) continue;
      if (mi.fType & MFT_SEPARATOR) {
        // A separator is an item captioned "-": an entry for that text turns
        // every separator into an item bearing the replacement.
        std::wstring text = Widen(translated);
        MENUITEMINFOW item{sizeof item};
        item.fMask = MIIM_FTYPE | MIIM_STRING;
        item.fType = (mi.fType & ~MFT_SEPARATOR) | MFT_STRING;
        item.dwTypeData = text.data();
        SetMenuItemInfoW(owner, menu->position[i], TRUE, &item);
      } else {
        SetMenuItemCaption(*menu, static_cast<int>(i), translated);
      }
    }
  }
}

}  // namespace strevo
