// A recording engine and host for the playback tests: every engine call is
// one line of `calls`, variables as "name=i:5", "name=f:1.5", "name=s:text".
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/eventlog.h"
#include "playback/player.h"

namespace strevo::test {

inline std::string ValueText(const EngineValue& v) {
  char buf[64];
  switch (v.type) {
    case EngineValue::Type::Int: return "i:" + std::to_string(v.i);
    case EngineValue::Type::Float: std::snprintf(buf, sizeof buf, "f:%g", v.f); return buf;
    case EngineValue::Type::String: return "s:" + v.s;
  }
  return "?";
}

struct FakeEngine : Engine {
  std::vector<std::string> calls;
  int playing = 0, time = 0, length = 0, volume = 100;
  std::string version = "0.8.6";
  bool hasVout = true, hasAout = true, hasInput = true;
  int vout = 1, aout = 2, input = 3, root = 4;

  int Play() override { calls.push_back("VLC_Play"); return 0; }
  int Pause() override { calls.push_back("VLC_Pause"); return 0; }
  int Stop() override { calls.push_back("VLC_Stop"); return 0; }
  int PlaylistClear() override { calls.push_back("VLC_PlaylistClear"); return 0; }
  using Engine::AddTarget;
  int AddTarget(const std::string& a, const std::vector<std::string>& options, int mode, int pos) override {
    std::string call = "VLC_AddTarget " + a + " " + std::to_string(mode) + " " + std::to_string(pos);
    for (const std::string& option : options) call += " " + option;
    calls.push_back(call);
    return 0;
  }
  int IsPlaying() override { return playing; }
  int TimeGet() override { return time; }
  int LengthGet() override { return length; }
  int TimeSet(int s, bool rel) override {
    calls.push_back("VLC_TimeSet " + std::to_string(s) + (rel ? " rel" : ""));
    return 0;
  }
  int VolumeGet() override { return volume; }
  int VolumeSet(int v) override { calls.push_back("VLC_VolumeSet " + std::to_string(v)); return 0; }
  int VolumeMute() override { calls.push_back("VLC_VolumeMute"); return 0; }
  void SpeedFaster() override { calls.push_back("VLC_SpeedFaster"); }
  void SpeedSlower() override { calls.push_back("VLC_SpeedSlower"); }
  int VariableSet(const std::string& n, const EngineValue& v) override {
    calls.push_back(n + "=" + ValueText(v));
    return 0;
  }
  std::string Version() override { return version; }
  void* CurrentObject() override { return &root; }
  void* FindObject(void* from, int kind) override {
    if (from != &root) return nullptr;
    if (kind == engine_abi::kObjectVideoOutput) return hasVout ? &vout : nullptr;
    if (kind == engine_abi::kObjectAudioOutput) return hasAout ? &aout : nullptr;
    if (kind == engine_abi::kObjectInput) return hasInput ? &input : nullptr;
    return nullptr;
  }
  int ObjectVariableSet(void* o, const std::string& n, const EngineValue& v) override {
    const char* who = o == &vout ? "vout" : o == &aout ? "aout" : o == &input ? "input" : "?";
    calls.push_back(std::string(who) + "." + n + "=" + ValueText(v));
    return 0;
  }

  // The value last given to a variable ("" when never set).
  std::string Var(const std::string& name) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->rfind(name + "=", 0) == 0) return it->substr(name.size() + 1);
    return "";
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls) n += c.rfind(prefix, 0) == 0;
    return n;
  }
  int IndexOf(const std::string& prefix) const {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  }
};

struct FakeHost : PlayerHost {
  std::vector<std::string> events;
  int pumps = 0, sleptMs = 0;
  std::function<void()> onPump;
  // A clock that only sleeps and waits move; a wait ends early at the first
  // message due within it.
  long long clock = 0;
  std::vector<long long> messagesAt;
  bool openFileResult = false;
  std::string openFileName;
  std::vector<std::string> existingFiles;
  std::string tooltip, label;
  bool guideVisible = false;
  DateTime localNow = EncodeDateTime({2026, 12, 8, 21, 5, 9});
  std::vector<std::string> messages;
  bool filesCanBeCreated = true;

  void PumpMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  void SleepMs(int ms) override {
    sleptMs += ms;
    clock += ms;
  }
  long long NowMs() override { return clock; }
  void WaitForMessages(int ms) override {
    long long until = clock + ms;
    for (long long at : messagesAt)
      if (at > clock && at < until) until = at;
    clock = until;
  }
  DateTime LocalNow() override { return localNow; }
  void ShowInformation(const std::string& text) override { messages.push_back(text); }
  bool CanCreateFile(const std::string&) override { return filesCanBeCreated; }
  void ShowSelection(int i) override { events.push_back("select " + std::to_string(i)); }
  void SetChannelLabel(const std::string& t) override { label = t; }
  bool AskOpenFile(std::string& chosen) override {
    events.push_back("open dialog");
    chosen = openFileName;
    return openFileResult;
  }
  bool FileExists(const std::string& p) override {
    for (const auto& f : existingFiles)
      if (f == p) return true;
    return false;
  }
  bool GuideWindowVisible() override { return guideVisible; }
  void RegenerateGuideWindow() override { events.push_back("guide window"); }
  void RefreshOsdGuide() override { events.push_back("osd guide"); }
  void SetVolumeTooltip(const std::string& t) override { tooltip = t; }
  void SetProcessPriority(bool high) override { events.push_back(high ? "priority high" : "priority normal"); }
  void ArmStartPlayTimer() override { events.push_back("start-play timer"); }
  void EnableCropEdits(bool on) override { events.push_back(on ? "crop edits on" : "crop edits off"); }
  void FocusKeyControl() override { events.push_back("focus keys"); }
  void ShowCaptureFolder(const std::string& folder) override { events.push_back("capture folder " + folder); }
};

// Collects the event log while a test runs.
struct LogCapture {
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  LogCapture() {
    Lines().clear();
    SetLogSink([](std::string_view m) { Lines().emplace_back(m); });
  }
  ~LogCapture() { SetLogSink(nullptr); }
  bool Has(const std::string& line) const {
    for (const auto& l : Lines())
      if (l == line) return true;
    return false;
  }
};

// A player with an engine and a host, and channels 1..n named "Ch1".. with
// MRLs "udp://@239.0.0.<i>:1234".
struct Rig {
  FakeEngine engine;
  FakeHost host;
  PlayerState st;
  explicit Rig(int channels = 0) {
    st.engine = &engine;
    st.host = &host;
    for (int i = 1; i <= channels; ++i) {
      st.channelTitles.push_back("Ch" + std::to_string(i));
      st.channelMrls.push_back("udp://@239.0.0." + std::to_string(i) + ":1234");
    }
  }
};

}  // namespace strevo::test
