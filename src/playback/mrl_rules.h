// Rewrites of a channel address on its way to a consumer. All are pure
// functions of (address, interface setting).
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace strevo {

inline constexpr std::string_view kAutoInterface = "Auto";

using MrlConverter = std::function<std::string(std::string_view)>;

// Rule A: with a proxy ("host:port") as the interface, every "udp://@" becomes
// "http://" + proxy + "/udp/".
std::string ProxyRewrite(std::string_view mrl, std::string_view iface);
// Rule A for playback: the address is converted to UTF-8 first, always.
std::string ProxyRewriteConverted(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8);

// Rule B: any address containing "dshow://" is exactly "dshow://"; the tuner
// channel travels separately.
std::string TunerReduce(std::string_view mrl);

// Rule C: "udp://@group:port" -> "elecard://group:port[:i=iface]/udp".
std::string DirectShowMulticast(std::string_view mrl, std::string_view iface);

// Rule D: the interface handed to a background recorder.
std::string RecorderInterface(std::string_view iface);

// Rule E: a stream address typed into the file dialog comes back without the
// folder the dialog put in front of it.
std::string StripDialogFolder(std::string_view path);

// The rules each consumer applies, in order.
std::string MrlForEngine(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8);
std::string MrlForDirectShow(std::string_view mrl, std::string_view iface, const MrlConverter& toUtf8);
std::string MrlForRecorder(std::string_view mrl, std::string_view iface);
std::string MrlForSchedulerMacro(std::string_view mrl, std::string_view iface);
inline std::string InterfaceForRecorder(std::string_view iface) { return RecorderInterface(iface); }
inline std::string InterfaceForSchedulerMacro(std::string_view iface) { return RecorderInterface(iface); }
inline std::string MrlFromFileDialog(std::string_view path) { return StripDialogFolder(path); }

}  // namespace strevo
