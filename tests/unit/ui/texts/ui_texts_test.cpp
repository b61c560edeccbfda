#include "ui/texts/ui_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "base/codepage.h"
#include "ui/commands/menus.h"
#include "ui/settings/settings_layout.h"

namespace strevo {
namespace {

std::string To1251(std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); }

TEST(EnglishLanguageFile, CoversEveryTranslatableTextAndTranslatesBack) {
  const std::vector<std::string> texts = TranslatableTexts();
  ASSERT_GT(texts.size(), 60u);
  for (const std::string& text : texts) {
    const std::string en = EnglishText(text);
    EXPECT_FALSE(en.empty()) << "no English for \"" << text << "\"";
    // Single-line texts stay single-line; every file line holds one line.
    if (text.find('\n') == std::string::npos)
      for (char c : en) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << text;
  }
  const std::string file = EnglishLanguageFile(To1251);
  size_t lineStart = 0;
  for (size_t crlf; (crlf = file.find("\r\n", lineStart)) != std::string::npos; lineStart = crlf + 2)
    for (char c : file.substr(lineStart, crlf - lineStart))
      EXPECT_TRUE(c == '\t' || static_cast<unsigned char>(c) >= 0x20) << file.substr(lineStart, crlf - lineStart);
  EXPECT_EQ(lineStart, file.size()) << "the file ends with CR LF";
  LanguageFile lng = LanguageFile::FromText(EnglishLanguageFile(To1251), To1251);
  EXPECT_EQ(lng.TranslateMenuCaption(kMainMenu[kMenuExit].caption), "Exit\t(Alt+X)");
  EXPECT_EQ(lng.TranslateMenuCaption(kMainMenu[kMenuSettings].caption), "Settings\t(Ctrl+P)");
  EXPECT_EQ(lng.Translate("Дополнительно"), "Advanced");
  EXPECT_EQ(lng.Translate("None"), "None");
  // The about page's many lines come back whole, line for line.
  const std::string about = lng.Translate(AboutBaseText());
  EXPECT_EQ(about.rfind("\r\nCopyright \xC2\xA9 2026 the Strevo developers\r\n\r\nKeyboard:\r\n", 0), 0u) << about;
  EXPECT_NE(about.find("\r\n  /exporttvg \"folder\" - export the TV guide to HTML\r\n"), std::string::npos);
  auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
  EXPECT_EQ(lines(about), lines(AboutBaseText()));
  EXPECT_EQ(about.find("\\r"), std::string::npos);
}

TEST(SettingsLayout, PagesIdsAndChoiceLists) {
  const auto& pages = SettingsPages();
  ASSERT_EQ(pages.size(), static_cast<size_t>(kSettingsPageCount));
  EXPECT_EQ(pages[kPageGeneral].caption, "Общие");
  EXPECT_EQ(pages[kPageAbout].caption, "О программе");
  std::set<int> ids;
  for (const auto& page : pages)
    for (const ControlDef& c : page.controls) {
      EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
      EXPECT_LE(c.x + c.w, kSettingsWidth - 16) << c.text;
      if (c.kind == CtlKind::Combo && c.initial >= 0 && !c.items.empty()) EXPECT_LT(c.initial, (int)c.items.size());
    }
  auto find = [&](int id) -> const ControlDef& {
    for (const auto& page : pages)
      for (const ControlDef& c : page.controls)
        if (c.id == id) return c;
    throw std::runtime_error("missing control");
  };
  EXPECT_EQ(find(kIdAudioTrack).items[find(kIdAudioTrack).initial], "#1");
  EXPECT_EQ(find(kIdContainer).items.size(), 9u);
  EXPECT_EQ(find(kIdGamma).max, 1000);
  EXPECT_EQ(find(kIdHue).initial, 0);
  EXPECT_TRUE(find(kIdAutoStart).hidden);
  EXPECT_EQ(find(kIdAutoStart).initial, 1);
  // Shown and greyed when unusable, never hidden.
  EXPECT_FALSE(find(kIdEngineInterface).hidden);
  for (int crop : {kIdCropWidth, kIdCropHeight, kIdCropLeft, kIdCropTop}) EXPECT_FALSE(find(crop).hidden);
}

TEST(SettingsLayout, AboutText) {
  const std::string help = AboutHelpText();
  EXPECT_EQ(help.rfind("Клавиатура:\r\n\r\n  + / - / * - приближение / удаление / как есть\r\n", 0), 0u);
  EXPECT_NE(help.find("\r\n  /exporttvg \"папка\" - экспорт телепрограммы в HTML\r\n"), std::string::npos);
  EXPECT_EQ(help.substr(help.size() - 2), "\r\n");
  const std::string about = CompleteAboutText(AboutBaseText(), "Strevo", "v0.1 (07.12.2026)", "DirectShow");
  EXPECT_EQ(about.rfind("Strevo v0.1 (07.12.2026)", 0), 0u);
  EXPECT_EQ(about.substr(about.size() - 24), "Working with: DirectShow");
}

}  // namespace
}  // namespace strevo
