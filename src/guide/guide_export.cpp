#include "guide/guide_export.h"

#include "base/text_helpers.h"

namespace strevo {
namespace {

constexpr std::string_view kMarked = " style=\"color:HighlightText;background:Highlight;\" id=\"curtr\" ";

// A programme text with its line breaks ("\" and "n") as `lineBreak`.
std::string WithBreaks(std::string_view text, std::string_view lineBreak) { return ReplaceAll("\\n", lineBreak, text); }

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

ChannelPage BuildChannelPage(const ProgrammeList& list, std::string_view title, int shiftHours, DateTime now,
                             const GuidePageLooks& looks, const std::function<void()>& perProgramme) {
  const std::string t = HtmlText(looks.caption);
  const std::string ch = HtmlText(title);
  ChannelPage page;
  std::string& h = page.html;
  h.reserve(256 * list.items.size() + 2048);
  h += "<html><head><title>" + t + " \"" + ch + "\"</title>\r\n";
  h += "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\r\n";
  h += "<META http-equiv=\"MSThemeCompatible\" Content=\"Yes\">\r\n";
  h += "<HTA:APPLICATION id=\"jtvHTA\" applicationName=\"" + t + " " + ch + "\" icon=\"" + HtmlText(looks.exePath) +
       "\" border=\"solid\" borderStyle=\"normal\" caption=\"yes\" maximizeButton=\"no\" minimizeButton=\"no\"\r\n";
  h += " showInTaskbar=\"no\" windowState=\"normal\" innerBorder=\"no\" navigable=\"yes\" scroll=\"none\" "
       "scrollFlat=\"no\" singleInstance=\"yes\" sysMenu=\"yes\" contextMenu=\"no\" selection=\"yes\" "
       "version=\"1.0\"></head>\r\n";
  h += std::string("<style>td {font-family:tahoma;font-size:") + (looks.maximised ? "14" : "8") +
       "pt;} a {text-decoration:none;color:WindowText} .dt {text-align:right;width:40px;} "
       ".cnt {text-align:left;width:100%;}</style>\r\n";
  h += "<body style=\"color:WindowText;background:Window;margin:3px;border:none;background:ButtonFace;"
       "cursor:default;\">\r\n";
  h += "<table border=0 cellspacing=0 cellpadding=2 style=\"width:100%;\">\r\n";
  h += "<tr><td colspan=2 style=\"font-size:14pt;\"><b>" + ch + "</b></td></tr>\r\n";

  const double shift = shiftHours / 24.0;
  const auto& items = list.items;
  std::string previousDay;
  bool marked = false;
  bool first = true;
  for (size_t k = 1; k < items.size(); ++k) {
    if (perProgramme) perProgramme();
    std::string_view mark;
    if (marked) {
      mark = " ";
    } else if (k + 1 < items.size() && items[k + 1].start + shift > now) {
      mark = kMarked;
      marked = true;
    }
    // An end marker still ends the programme before it, and a gap marked on
    // air shows nothing on air.
    if (list.endMarkers && items[k].text.empty()) continue;
    const DateTime at = items[k].start + shift;
    const std::string day = FormatDateTime("dd-MM-yyyy", at);
    if (first || day != previousDay) {
      const std::string heading =
          FormatDateTime("dddd", at, looks.names) + " " + FormatDateTime("dd MMMM yyyy г.", at, looks.names);
      h += "<tr><td colspan=2 style=\"font-size:12pt;\"><br><b>" + HtmlText(heading) + "</b></td></tr>\r\n";
      page.lines.insert(page.lines.end(), {"", " " + heading, ""});
    }
    first = false;
    previousDay = day;
    const std::string clock = FormatDateTime("HH:mm", at);
    h += "<tr";
    h += mark;
    h += "><td class=dt valign=top><b>" + clock + "&nbsp;</b></td><td class=cnt>" +
         WithBreaks(HtmlText(items[k].text), "<br>") + "</td></tr>\r\n";
    page.lines.push_back("   " + clock + "  " + WithBreaks(items[k].text, " "));
    if (mark == kMarked) page.selectedLine = static_cast<int>(page.lines.size()) - 1;
  }
  h += "</table><script language=\"JavaScript\">try{document.body.scrollTop=curtr.offsetTop;}catch(ignore){}"
       "</script></body></html>";
  return page;
}

std::string IndexPageHead(const GuidePageLooks& looks, std::optional<int> openPage) {
  const std::string t = HtmlText(looks.caption);
  std::string h = "<html><head><title>" + t + "</title>\r\n";
  h += "<LINK rel=\"shortcut icon\" href=\"tvg.ico\">\r\n";
  h += "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\r\n";
  h += "<META http-equiv=\"MSThemeCompatible\" Content=\"Yes\">\r\n";
  h += "<HTA:APPLICATION id=\"jtvHTA\" applicationName=\"" + t + "\" icon=\"" + HtmlText(looks.exePath) +
       "\" border=\"solid\" borderStyle=\"normal\" caption=\"yes\"\r\n";
  h += " maximizeButton=\"yes\" minimizeButton=\"yes\" showInTaskbar=\"yes\" \r\n";
  h += " windowState=\"normal\" innerBorder=\"no\" navigable=\"yes\" scroll=\"none\" scrollFlat=\"no\" "
       "singleInstance=\"yes\" sysMenu=\"yes\" contextMenu=\"no\" selection=\"yes\" version=\"1.0\"></head>\r\n";
  h += "<style>td {font-family:tahoma;font-size:8pt;} a {text-decoration:none;color:WindowText}</style>\r\n";
  h += "<body style=\"color:WindowText;background:Window;margin:0px;padding:0px;border:none;background:ButtonFace;"
       "cursor:default;\" scroll=\"no\">\r\n";
  h += "<table border=0 cellspacing=0 cellpadding=0 style=\"width:100%;height:100%;\">\r\n";
  h += "<tr><td style=\"font-size:14pt;width:170px;\">&nbsp;<b>" + t +
       "<br>&nbsp;<span style=\"font-size:10pt;\" id=\"cnm\"></span></b></td>\r\n";
  h += "<td rowspan=2><iframe src=\"empty.htm\" frameborder=0 name=ifr style=\"width:100%;height:100%;"
       "border-left:1px solid ButtonShadow;\"></iframe></td></tr>\r\n";
  h += "<tr><td style=\"padding-left:20px;height:100%;\" valign=\"top\"><div style=\"height:100%;overflow:auto;\">";
  if (openPage)
    h += "<script>try{ifr.document.location.href='" + std::to_string(*openPage) + ".htm';}catch(ignore){};</script>\r\n";
  return h;
}

std::string IndexPageLink(int number, std::string_view title) {
  return "<a target=\"ifr\" onclick=\"cnm.innerHTML=this.innerHTML;\" href=\"" + std::to_string(number) +
         ".htm\">&raquo " + HtmlText(title) + "</a><br>";
}

std::string_view IndexPageTail() { return "</div></td></tr>\r\n</table></body></html>"; }

std::optional<ChannelPage> ChannelPageOf(const GuideContext& ctx, size_t position, std::string_view title,
                                         const GuidePageLooks& looks, const std::function<void()>& perProgramme) {
  // The correction comes from the channel's record with either guide, as on the screen.
  const ChannelGuide guide = ChannelGuideAt(ctx.mrls, ctx.config, position, ctx.guideFolder);
  // Held here: the list stays alive while the windows run, whatever replaces it.
  GuideAnswer answer = ListGuideAt(ctx, position);
  if (!answer) {
    if (guide.basePath.empty()) return std::nullopt;
    if (ctx.cache.Get(guide.basePath, ctx.files, ctx.codepage, answer) != GuideStatus::Ok || !answer)
      return std::nullopt;
  }
  return BuildChannelPage(*answer, title, guide.shiftHours, ctx.now, looks, perProgramme);
}

void ExportAllChannels(const GuideContext& ctx, const GuidePageLooks& looks, ExportFiles& files,
                       const std::string& folder, bool openCurrent, const std::function<void()>& perProgramme) {
  auto pagePath = [&](size_t n) { return folder + "\\" + std::to_string(n) + ".htm"; };
  std::optional<int> openPage;
  if (openCurrent && ctx.currentIndex >= 0 && files.FileExists(pagePath(static_cast<size_t>(ctx.currentIndex))))
    openPage = ctx.currentIndex;
  std::string index = IndexPageHead(looks, openPage);
  files.WriteWhole(folder + "\\empty.htm", kEmptyPage);
  // Copies: the windows run between programmes, and a command run then may
  // replace the channel list or its XMLTV lists.
  const std::vector<std::string> titles = ctx.titles;
  const std::vector<std::string> mrls = ctx.mrls;
  const std::vector<GuideAnswer> listGuides = ctx.listGuides ? *ctx.listGuides : std::vector<GuideAnswer>();
  const GuideContext own{titles,    mrls,      ctx.currentIndex, ctx.config,        ctx.guideFolder, ctx.cache,
                         ctx.files, ctx.codepage, ctx.now,       ctx.updateCaption, &listGuides};
  for (size_t n = 1; n < titles.size(); ++n) {
    const std::string path = pagePath(n);
    // By position: two channels of one title may have guides of their own.
    if (auto page = ChannelPageOf(own, n, titles[n], looks, perProgramme)) files.WriteWhole(path, page->html);
    if (files.FileExists(path)) index += IndexPageLink(static_cast<int>(n), titles[n]);
  }
  index += IndexPageTail();
  files.WriteWhole(folder + "\\index.htm", index);
}

}  // namespace strevo
