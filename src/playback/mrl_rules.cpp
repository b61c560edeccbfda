#include "playback/mrl_rules.h"

namespace strevo {

static bool IsProxy(std::string_view iface) { return iface.find(':') != std::string_view::npos; }

static std::string ReplaceEvery(std::string_view text, std::string_view search, std::string_view replacement) {
  // One left-to-right pass: the replacement may contain the search text.
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t hit = text.find(search, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(replacement);
    pos = hit + search.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string ProxyRewrite(std::string_view mrl, std::string_view iface) {
  if (!IsProxy(iface)) return std::string(mrl);
  return ReplaceEvery(mrl, "udp://@", "http://" + std::string(iface) + "/udp/");
}

std::string ProxyRewriteConverted(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8) {
  return ProxyRewrite(toUtf8 ? toUtf8(mrl) : std::string(mrl), iface);
}

std::string TunerReduce(std::string_view mrl) {
  if (mrl.find("dshow://") != std::string_view::npos) return "dshow://";
  return std::string(mrl);
}

std::string DirectShowMulticast(std::string_view mrl, std::string_view iface) {
  if (mrl.substr(0, 7) != "udp://@") return std::string(mrl);
  std::string out = ReplaceEvery(mrl, "@", "");
  out = "elecard://" + out.substr(6);
  if (iface != kAutoInterface && !IsProxy(iface)) out += ":i=" + std::string(iface);
  return out + "/udp";
}

std::string RecorderInterface(std::string_view iface) {
  return IsProxy(iface) ? std::string("0.0.0.0") : std::string(iface);
}

std::string StripDialogFolder(std::string_view path) {
  std::string out(path);
  for (std::string_view scheme : {"http://", "ftp://", "udp://", "mms://", "dshow://", "dvd://"}) {
    size_t at = out.find(scheme);
    if (at != std::string::npos) out.erase(0, at);
  }
  return out;
}

std::string MrlForEngine(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8) {
  return TunerReduce(ProxyRewriteConverted(mrl, iface, toUtf8));
}

std::string MrlForDirectShow(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8) {
  return DirectShowMulticast(ProxyRewriteConverted(mrl, iface, toUtf8), iface);
}

std::string MrlForRecorder(std::string_view mrl, std::string_view iface) {
  return TunerReduce(ProxyRewrite(mrl, iface));
}

std::string MrlForSchedulerMacro(std::string_view mrl, std::string_view iface) { return MrlForRecorder(mrl, iface); }

}  // namespace strevo
