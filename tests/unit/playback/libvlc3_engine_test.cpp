// The 3.x binding over a recording table of entry points: what the player's
// own operations (channel switch, settings, live changes, snapshot) turn into.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "fakes.h"
#include "playback/channel_switch.h"
#include "playback/libvlc3_engine.h"
#include "playback/settings_map.h"
#include "ui/settings/settings_controls.h"
#include "ui/settings/settings_layout.h"

namespace strevo {
namespace {

using test::LogCapture;

// What the fake engine holds, and every call made on it, one line each.
struct FakeLibvlc {
  std::vector<std::string> calls;
  bool refuseInstance = false;
  libvlc_state_t state = libvlc_NothingSpecial;
  libvlc_time_t time = -1, length = -1;
  int volume = -1;  // -1: no audio output
  int muted = 0;
  int hasVout = 0;
  float rate = 1;
  std::vector<libvlc_track_description_t> tracks;
  std::vector<libvlc_audio_output_device_t> devices;
  int optionsOfLastMedia = 0;
};
FakeLibvlc* g_fake = nullptr;
char g_instance, g_player, g_media;

void Call(std::string line) { g_fake->calls.push_back(std::move(line)); }
std::string Text(const char* s) { return s ? s : "(null)"; }

Libvlc3Api FakeApi() {
  Libvlc3Api a;
  a.libvlc_new = [](int argc, const char* const* argv) -> libvlc_instance_t* {
    std::string line = "new";
    for (int i = 0; i < argc; ++i) line += std::string(" ") + argv[i];
    Call(line);
    return g_fake->refuseInstance ? nullptr : reinterpret_cast<libvlc_instance_t*>(&g_instance);
  };
  a.libvlc_release = [](libvlc_instance_t*) { Call("release"); };
  a.libvlc_errmsg = []() -> const char* { return "refused"; };
  a.libvlc_get_version = []() -> const char* { return "3.0.24 Fake"; };
  a.libvlc_media_new_location = [](libvlc_instance_t*, const char* l) {
    Call("media location " + Text(l));
    return reinterpret_cast<libvlc_media_t*>(&g_media);
  };
  a.libvlc_media_new_path = [](libvlc_instance_t*, const char* p) {
    Call("media path " + Text(p));
    return reinterpret_cast<libvlc_media_t*>(&g_media);
  };
  a.libvlc_media_add_option = [](libvlc_media_t*, const char* o) { Call("option " + Text(o)); };
  a.libvlc_media_release = [](libvlc_media_t*) { Call("media release"); };
  a.libvlc_media_player_new = [](libvlc_instance_t*) {
    Call("player new");
    return reinterpret_cast<libvlc_media_player_t*>(&g_player);
  };
  a.libvlc_media_player_release = [](libvlc_media_player_t*) { Call("player release"); };
  a.libvlc_media_player_set_media = [](libvlc_media_player_t*, libvlc_media_t* m) {
    Call(m ? "set media" : "set media (null)");
  };
  a.libvlc_media_player_play = [](libvlc_media_player_t*) {
    Call("play");
    g_fake->state = libvlc_Playing;
    return 0;
  };
  a.libvlc_media_player_set_pause = [](libvlc_media_player_t*, int p) {
    Call("set pause " + std::to_string(p));
    g_fake->state = p ? libvlc_Paused : libvlc_Playing;
  };
  a.libvlc_media_player_pause = [](libvlc_media_player_t*) { Call("pause"); };
  a.libvlc_media_player_stop = [](libvlc_media_player_t*) {
    Call("stop");
    g_fake->state = libvlc_Stopped;
  };
  a.libvlc_media_player_get_state = [](libvlc_media_player_t*) { return g_fake->state; };
  a.libvlc_media_player_get_time = [](libvlc_media_player_t*) { return g_fake->time; };
  a.libvlc_media_player_set_time = [](libvlc_media_player_t*, libvlc_time_t t) {
    Call("set time " + std::to_string(t));
  };
  a.libvlc_media_player_get_length = [](libvlc_media_player_t*) { return g_fake->length; };
  a.libvlc_media_player_get_rate = [](libvlc_media_player_t*) { return g_fake->rate; };
  a.libvlc_media_player_set_rate = [](libvlc_media_player_t*, float r) {
    Call("set rate " + std::to_string(r));
    g_fake->rate = r;
    return 0;
  };
  a.libvlc_media_player_has_vout = [](libvlc_media_player_t*) { return static_cast<unsigned>(g_fake->hasVout); };
  a.libvlc_media_player_set_hwnd = [](libvlc_media_player_t*, void* w) {
    Call("set hwnd " + std::to_string(reinterpret_cast<intptr_t>(w)));
  };
  a.libvlc_audio_get_volume = [](libvlc_media_player_t*) { return g_fake->volume; };
  a.libvlc_audio_set_volume = [](libvlc_media_player_t*, int v) {
    Call("set volume " + std::to_string(v));
    if (g_fake->volume < 0) return -1;
    g_fake->volume = v;
    return 0;
  };
  a.libvlc_audio_toggle_mute = [](libvlc_media_player_t*) {
    Call("toggle mute");
    g_fake->muted = !g_fake->muted;
  };
  a.libvlc_audio_get_mute = [](libvlc_media_player_t*) { return g_fake->volume < 0 ? -1 : g_fake->muted; };
  a.libvlc_audio_set_mute = [](libvlc_media_player_t*, int m) {
    Call("set mute " + std::to_string(m));
    g_fake->muted = m;
  };
  a.libvlc_video_set_mouse_input = [](libvlc_media_player_t*, unsigned on) { Call("mouse input " + std::to_string(on)); };
  a.libvlc_video_set_key_input = [](libvlc_media_player_t*, unsigned on) { Call("key input " + std::to_string(on)); };
  a.libvlc_audio_set_channel = [](libvlc_media_player_t*, int c) {
    Call("set channel " + std::to_string(c));
    return 0;
  };
  a.libvlc_audio_get_track_description = [](libvlc_media_player_t*) -> libvlc_track_description_t* {
    auto& t = g_fake->tracks;
    for (size_t i = 0; i + 1 < t.size(); ++i) t[i].p_next = &t[i + 1];
    return t.empty() ? nullptr : t.data();
  };
  a.libvlc_track_description_list_release = [](libvlc_track_description_t*) { Call("tracks release"); };
  a.libvlc_audio_set_track = [](libvlc_media_player_t*, int id) {
    Call("set track " + std::to_string(id));
    return 0;
  };
  a.libvlc_audio_output_device_enum = [](libvlc_media_player_t*) -> libvlc_audio_output_device_t* {
    auto& d = g_fake->devices;
    for (size_t i = 0; i + 1 < d.size(); ++i) d[i].p_next = &d[i + 1];
    return d.empty() ? nullptr : d.data();
  };
  a.libvlc_audio_output_device_list_release = [](libvlc_audio_output_device_t*) { Call("devices release"); };
  a.libvlc_audio_output_device_set = [](libvlc_media_player_t*, const char* module, const char* id) {
    Call("set device " + Text(module) + " " + Text(id));
  };
  a.libvlc_video_set_aspect_ratio = [](libvlc_media_player_t*, const char* r) { Call("aspect " + Text(r)); };
  a.libvlc_video_set_crop_geometry = [](libvlc_media_player_t*, const char* g) { Call("crop " + Text(g)); };
  a.libvlc_video_set_deinterlace = [](libvlc_media_player_t*, const char* m) { Call("deinterlace " + Text(m)); };
  a.libvlc_video_set_adjust_int = [](libvlc_media_player_t*, unsigned o, int v) {
    Call("adjust int " + std::to_string(o) + " " + std::to_string(v));
  };
  a.libvlc_video_set_adjust_float = [](libvlc_media_player_t*, unsigned o, float v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "adjust float %u %g", o, v);
    Call(buf);
  };
  a.libvlc_video_take_snapshot = [](libvlc_media_player_t*, unsigned n, const char* path, unsigned w, unsigned h) {
    Call("snapshot " + std::to_string(n) + " " + Text(path) + " " + std::to_string(w) + "x" + std::to_string(h));
    return 0;
  };
  return a;
}

struct Engine3Rig {
  FakeLibvlc fake;
  Libvlc3Api api = FakeApi();
  test::FakeHost host;
  PlayerState st;
  std::unique_ptr<Libvlc3Engine> engine;
  explicit Engine3Rig(int channels = 2) {
    g_fake = &fake;
    engine = std::make_unique<Libvlc3Engine>(api, std::vector<std::string>{"--no-osd"}, nullptr,
                                             [](const std::string& a) { return a == "127.0.0.1" ? "lo" : ""; });
    st.engine = engine.get();
    st.host = &host;
    for (int i = 1; i <= channels; ++i) {
      st.channelTitles.push_back("Ch" + std::to_string(i));
      st.channelMrls.push_back("udp://@239.0.0." + std::to_string(i) + ":1234");
    }
  }
  ~Engine3Rig() {
    engine.reset();
    g_fake = nullptr;
  }
  // The calls made since the last look, then forgotten.
  std::vector<std::string> Take() { return std::exchange(fake.calls, {}); }
  bool Has(const std::string& call) const {
    return std::find(fake.calls.begin(), fake.calls.end(), call) != fake.calls.end();
  }
};

TEST(Libvlc3Options, VariablesBecomeMediaOptionsUnderTheirThreeXNames) {
  using V = EngineValue;
  EXPECT_EQ(Libvlc3MediaOption("conf::sout", V::Text("#duplicate{dst=display}")), ":sout=#duplicate{dst=display}");
  EXPECT_EQ(Libvlc3MediaOption("conf::demux", V::Text("dump")), ":demux=dump");
  EXPECT_EQ(Libvlc3MediaOption("conf::demuxdump-file", V::Text("c:/a.ts")), ":demuxdump-file=c:/a.ts");
  EXPECT_EQ(Libvlc3MediaOption("conf::miface-addr", V::Text("127.0.0.1")), ":miface-addr=127.0.0.1");
  EXPECT_EQ(Libvlc3MediaOption("conf::http-reconnect", V::Int(1)), ":http-reconnect");
  EXPECT_EQ(Libvlc3MediaOption("conf::http-reconnect", V::Int(0)), ":no-http-reconnect");
  EXPECT_EQ(Libvlc3OptionKey("conf::http-reconnect"), "http-reconnect");
  EXPECT_EQ(Libvlc3MediaOption("conf::dshow-caching", V::Int(200)), ":live-caching=200");
  EXPECT_EQ(Libvlc3MediaOption("conf::timeshift-dir", V::Text("c:\\rec\\")), ":input-timeshift-path=c:\\rec\\");
  // MiB for the player, bytes for the 3.x input.
  EXPECT_EQ(Libvlc3MediaOption("conf::timeshift-granularity", V::Int(1024)),
            ":input-timeshift-granularity=1073741824");
  EXPECT_EQ(Libvlc3MediaOption("conf::audio-track", V::Int(2)), ":audio-track=2");
  // Removing: an empty text, and the player's "no track" (-1, sent as text).
  EXPECT_EQ(Libvlc3MediaOption("conf::sout", V::Text("")), "");
  EXPECT_EQ(Libvlc3MediaOption("conf::audio-track", V::Text("-1")), "");
  for (const char* none : {"conf::vout", "conf::directx-wallpaper", "conf::overlay", "conf::access-filter",
                           "conf::snapshot-preview", "conf::audio-visual", "conf::width", "conf::nonsense", "sout"})
    EXPECT_EQ(Libvlc3UseOf(none), Libvlc3Use::Ignored) << none;
  EXPECT_EQ(Libvlc3UseOf("drawable"), Libvlc3Use::Drawable);
  EXPECT_EQ(Libvlc3UseOf("conf::autocrop"), Libvlc3Use::AutoCrop);
}

TEST(Libvlc3Options, TheStdDestinationIsRenamedOnlyWhereStdReadsIt) {
  // The player's two chains: with the screen, and the background recorder's.
  EXPECT_EQ(Libvlc3SoutChain("#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"C:/Rec/a,b}.ts\"}}"),
            "#duplicate{dst=display,dst=std{access=file,mux=ts,dst=\"C:/Rec/a,b}.ts\"}}");
  EXPECT_EQ(Libvlc3SoutChain("#duplicate{dst=std{access=file,mux=ps,url=\"D:/x.mpg\"}}"),
            "#duplicate{dst=std{access=file,mux=ps,dst=\"D:/x.mpg\"}}");
  EXPECT_EQ(Libvlc3SoutChain("#standard{url=\"x\",mux=ts}"), "#standard{dst=\"x\",mux=ts}");
  // Not in other modules, not in values, not inside quotes.
  EXPECT_EQ(Libvlc3SoutChain("#transcode{url=1}:std{mux=ts,access=file,name=\"url=x\"}"),
            "#transcode{url=1}:std{mux=ts,access=file,name=\"url=x\"}");
  EXPECT_EQ(Libvlc3SoutChain("#std{access=http,mux=ts,dst=:8080,urlx=1}"), "#std{access=http,mux=ts,dst=:8080,urlx=1}");
  EXPECT_EQ(Libvlc3MediaOption("conf::sout", EngineValue::Text("#std{url=\"a\"}")), ":sout=#std{dst=\"a\"}");
}

TEST(Libvlc3Options, UnitsChainsAndAngles) {
  EXPECT_EQ(SecondsFromMs(-1), -20);  // no input: the player's "not playing"
  EXPECT_EQ(SecondsFromMs(0), 0);
  EXPECT_EQ(SecondsFromMs(2999), 2);
  EXPECT_EQ(MsFromSeconds(3600), 3600000);
  EXPECT_FLOAT_EQ(FasterRate(1), 2);
  EXPECT_FLOAT_EQ(FasterRate(8), 8);
  EXPECT_FLOAT_EQ(SlowerRate(0.125f), 0.125f);
  const Libvlc3Filters f = ParseFilterChain("adjust:deinterlace:crop");
  EXPECT_TRUE(f.adjust && f.deinterlace && f.crop);
  const Libvlc3Filters g = ParseFilterChain("deinterlace");
  EXPECT_TRUE(!g.adjust && g.deinterlace && !g.crop);
  const Libvlc3Filters none = ParseFilterChain("");
  EXPECT_FALSE(none.adjust || none.deinterlace || none.crop);
  EXPECT_FLOAT_EQ(Libvlc3AdjustValue("conf::hue", EngineValue::Int(270)), -90);
  EXPECT_FLOAT_EQ(Libvlc3AdjustValue("hue", EngineValue::Int(360)), 0);
  EXPECT_FLOAT_EQ(Libvlc3AdjustValue("hue", EngineValue::Int(180)), 180);
  EXPECT_FLOAT_EQ(Libvlc3AdjustValue("conf::contrast", EngineValue::Float(1.5f)), 1.5f);
  EXPECT_EQ(Libvlc3AdjustOption("gamma"), libvlc_adjust_Gamma);
  EXPECT_EQ(Libvlc3AdjustOption("conf::sout"), -1);
}

TEST(Libvlc3Binding, AChannelSwitchStartsAMediaWithTheRecordingAndNetworkOptions) {
  LogCapture log;
  Engine3Rig r;
  // The player's own options first, then the caller's; the engine's input
  // handling off, so the player's video window gets the mouse and the keys.
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"new --no-video-title-show --quiet --no-osd", "player new",
                                                "mouse input 0", "key input 0"}));
  // Its interface has no wallpaper output: desktop mode is not offered with it.
  EXPECT_FALSE(r.engine->DrawsOnDesktop());
  EXPECT_TRUE(test::FakeEngine().DrawsOnDesktop());
  r.st.globals.iface = "127.0.0.1";
  r.st.globals.capDir = "D:\\Rec\\";
  const std::string sout = "#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"d:/x.ts\"}}";
  // The record button's switch keeps the chain set before it.
  player_setvar(r.st, "conf::sout", sout);
  SelectChannel(r.st, 2, Sender::RecordButton);
  auto calls = r.Take();
  const auto at = [&](const std::string& c) {
    auto it = std::find(calls.begin(), calls.end(), c);
    EXPECT_NE(it, calls.end()) << "no call \"" << c << "\"";
    return it - calls.begin();
  };
  ASSERT_GE(calls.size(), 11u);
  EXPECT_EQ(std::vector<std::string>(calls.end() - 11, calls.end()),
            (std::vector<std::string>{"media location udp://@239.0.0.2:1234",
                                      "option :sout=#duplicate{dst=display,dst=std{access=file,mux=ts,dst=\"d:/x.ts\"}}",
                                      "option :miface-addr=127.0.0.1", "option :miface=lo", "option :http-reconnect",
                                      "option :audio-track=0", "option :input-timeshift-path=d:\\rec\\",
                                      "option :input-timeshift-granularity=1073741824", "set media", "media release",
                                      "play"}));
  EXPECT_LT(at("stop"), at("set media (null)"));
  // Colour correction is on by default: the adjust filter is, nothing else.
  const auto adjust = at("adjust int 0 1");
  ASSERT_LT(adjust + 2, static_cast<long>(calls.size()));
  EXPECT_EQ(calls[adjust + 1], "deinterlace (null)");
  EXPECT_EQ(calls[adjust + 2], "crop (null)");
  EXPECT_LT(at("adjust float 1 1"), at("play"));  // contrast 100 -> 1.0
  // What has no counterpart is logged, not sent.
  EXPECT_TRUE(log.Has("libvlc3: conf::vout=direct3d ignored (no counterpart)"));
  EXPECT_TRUE(log.Has("libvlc3: conf::directx-wallpaper=0 ignored (no counterpart)"));
  EXPECT_EQ(r.engine->Version(), "3.0.24 Fake");
  // Any other switch clears the chain: no recording continues.
  SelectChannel(r.st, 1, Sender::Control);
  calls = r.Take();
  EXPECT_EQ(calls[at("media location udp://@239.0.0.1:1234") + 1], "option :miface-addr=127.0.0.1");
  // An address no interface has still goes as it is, alone; "Auto" sends none.
  r.st.globals.iface = "10.9.8.7";
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.engine->MediaOptions()[0], ":miface-addr=10.9.8.7");
  EXPECT_TRUE(log.Has("libvlc3: no interface has the address 10.9.8.7"));
  r.st.globals.iface = "Auto";
  SelectChannel(r.st, 1, Sender::Control);
  for (const std::string& o : r.engine->MediaOptions()) EXPECT_EQ(o.find(":miface"), std::string::npos) << o;
}

TEST(Libvlc3Binding, TheChainDecidesWhetherDeinterlaceAndCropApply) {
  Engine3Rig r;
  SelectChannel(r.st, 1, Sender::Control);
  r.st.channel.deinterlace = 3;  // Bob
  r.st.channel.cropManual = true;
  r.st.channel.cropW = "704";
  r.st.channel.cropH = "560";
  r.st.channel.cropX = r.st.channel.cropY = "8";
  r.Take();
  applysettings(r.st, Sender::Control);
  auto calls = r.Take();
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "crop 704x560+8+8") - calls.begin(),
            std::find(calls.begin(), calls.end(), "deinterlace bob") - calls.begin() + 1);
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "deinterlace bob") != calls.end());
  // The next channel crops nothing and does not deinterlace, although the
  // geometry and mode stay stored.
  r.st.channel.deinterlace = 0;
  r.st.channel.cropManual = false;
  applysettings(r.st, Sender::Control);
  calls = r.Take();
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "deinterlace (null)") != calls.end());
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "crop (null)") != calls.end());
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "crop 704x560+8+8") == calls.end());
  // Automatic crop has no counterpart: it does not fall back to the geometry.
  r.st.channel.cropManual = true;
  r.st.channel.autoCrop = true;
  applysettings(r.st, Sender::Control);
  calls = r.Take();
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "crop (null)") != calls.end());
  EXPECT_TRUE(std::find(calls.begin(), calls.end(), "crop 704x560+8+8") == calls.end());
}

TEST(Libvlc3Binding, LiveChangesSnapshotsAndTracksGoToThePlayer) {
  LogCapture log;
  Engine3Rig r;
  r.fake.tracks = {{-1, const_cast<char*>("Disable"), nullptr},
                   {101, const_cast<char*>("Track 1"), nullptr},
                   {102, const_cast<char*>("Track 2"), nullptr}};
  SelectChannel(r.st, 1, Sender::Control);
  // Without a picture there is no video output to change or to snapshot.
  EXPECT_EQ(r.engine->FindObject(r.engine->CurrentObject(), engine_abi::kObjectVideoOutput), nullptr);
  r.fake.hasVout = 1;
  r.Take();
  r.st.channel.contrast = 150;
  r.st.channel.hue = 270;
  r.st.channel.audioTrackIndex = 2;  // "#2": the second audio track
  applysettings(r.st, Sender::AudioTrackList);
  EXPECT_TRUE(r.Has("adjust float 1 1.5"));
  EXPECT_TRUE(r.Has("adjust float 3 -90"));
  EXPECT_TRUE(r.Has("set track 102"));
  r.st.channel.audioTrackIndex = 5;  // "#5", track 4: none such, logged, nothing set
  r.Take();
  applysettings(r.st, Sender::AudioTrackList);
  EXPECT_FALSE(std::any_of(r.fake.calls.begin(), r.fake.calls.end(),
                           [](const std::string& c) { return c.rfind("set track", 0) == 0; }));
  EXPECT_TRUE(log.Has("libvlc3: audio track 4 not found"));
  // The start-play timer's stereo goes to the channel mode; mono has none.
  r.Take();
  applysettings(r.st, Sender::VideoWindow);
  EXPECT_TRUE(r.Has("set channel 1"));
  r.st.channel.mono = true;
  r.Take();
  applysettings(r.st, Sender::MonoBox);
  EXPECT_FALSE(r.Has("set channel 1"));
  EXPECT_TRUE(log.Has("libvlc3: audio-device=1 ignored (no counterpart)"));
  // The snapshot goes into the folder the globals named.
  r.st.globals.capDir = "D:\\Capture\\";
  applyglobals(r.st, Sender::Control);
  void* vout = r.engine->FindObject(r.engine->CurrentObject(), engine_abi::kObjectVideoOutput);
  ASSERT_NE(vout, nullptr);
  r.Take();
  EXPECT_EQ(r.engine->ObjectVariableSet(vout, "video-snapshot", EngineValue::Int(1)), 0);
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"snapshot 0 d:\\capture\\ 0x0"}));
}

TEST(Libvlc3Binding, PlayAfterStopRestartsWithTheOptionsOfNowAndKeepsTheUnits) {
  Engine3Rig r;
  player_setvar(r.st, "conf::sout", "#std{access=file,mux=ts,dst=\"x.ts\"}");
  r.engine->AddTarget("C:\\clips\\a.ts", engine_abi::kModeAppendAndGo, engine_abi::kEndOfList);
  EXPECT_TRUE(r.Has("media path C:\\clips\\a.ts"));
  EXPECT_TRUE(r.Has("option :sout=#std{access=file,mux=ts,dst=\"x.ts\"}"));
  player_stop(r.st);
  r.Take();
  PlayButton(r.st);  // clears the recording chain, then plays
  EXPECT_TRUE(r.Has("media path C:\\clips\\a.ts"));
  EXPECT_FALSE(std::any_of(r.fake.calls.begin(), r.fake.calls.end(),
                           [](const std::string& c) { return c.rfind("option :sout", 0) == 0; }));
  // Pause and resume through the player's own commands.
  r.Take();
  PlayPauseCommand(r.st);
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"pause"}));
  r.fake.state = libvlc_Paused;
  PlayPauseCommand(r.st);
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"set pause 0"}));
  // Seconds in, milliseconds out; nothing playing reads as the engine's -20.
  r.fake.time = 61999;
  r.fake.length = 119600;
  EXPECT_EQ(player_gettime(r.st), 61);
  EXPECT_EQ(player_getlength(r.st), 120);
  SeekBy(r.st, 5);
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"set time 66000"}));
  r.fake.time = r.fake.length = -1;
  EXPECT_EQ(player_gettime(r.st), -20);
  EXPECT_EQ(UpdatePositionDisplay(r.st, 800).label, "0:00:00 / 0:00:00");
  // Volume: the slider's 0..100 doubled, as with the 0.8 engine.
  r.fake.volume = 0;
  player_setvolume(r.st, 40);
  EXPECT_EQ(r.fake.volume, 80);
  EXPECT_EQ(player_getvolume(r.st), 80);
  // An audio output that restarts comes up at its own level; the next status
  // tick (which asks the time) sets the player's level again.
  r.fake.volume = 100;
  r.fake.time = 5000;
  r.Take();
  EXPECT_EQ(player_gettime(r.st), 5);
  EXPECT_EQ(r.Take(), (std::vector<std::string>{"set volume 80"}));
  EXPECT_EQ(r.fake.volume, 80);
  r.fake.volume = 100;
  EXPECT_EQ(player_getvolume(r.st), 80);
  SpeedFaster(r.st);
  EXPECT_FLOAT_EQ(r.fake.rate, 2);
}

// The engine's mute is a flag that a volume change leaves on, while the
// player's sign goes: the flag follows the sign at every change of either.
TEST(Libvlc3Binding, TheEnginesMuteFollowsThePlayersSignThroughVolumeChanges) {
  Engine3Rig r;
  r.fake.volume = 100;
  r.st.globals.volume = 50;
  ApplyVolume(r.st, Sender::MainWindow);
  MuteButton(r.st);
  ASSERT_TRUE(r.st.muteIndicatorVisible);
  EXPECT_EQ(r.fake.muted, 1);
  // The wheel moves the volume: the sign goes, and so must the engine's mute.
  r.st.globals.volume = 30;
  ApplyVolume(r.st, Sender::Control);
  EXPECT_FALSE(r.st.muteIndicatorVisible);
  EXPECT_EQ(r.fake.muted, 0) << "the sound stays off under a hidden sign";
  EXPECT_EQ(r.fake.volume, 60);
  // The next Mute mutes again rather than inverting the two.
  MuteButton(r.st);
  EXPECT_TRUE(r.st.muteIndicatorVisible);
  EXPECT_EQ(r.fake.muted, 1);
  // A volume given while muted keeps the mute (the volume is applied later).
  r.st.globals.volume = 60;
  ApplyVolume(r.st, Sender::MainWindow);
  EXPECT_EQ(r.fake.muted, 1);
  // An audio output that restarts unmuted is muted again on the next tick.
  r.fake.muted = 0;
  r.fake.time = 1000;
  player_gettime(r.st);
  EXPECT_EQ(r.fake.muted, 1);
  MuteButton(r.st);
  EXPECT_EQ(r.fake.muted, 0);
  EXPECT_FALSE(r.Has("toggle mute"));
}

// Check boxes as the settings window holds them; the rest reads as unset.
struct CheckBoxes : SettingsControlValues {
  std::map<int, bool> checks;
  bool Checked(int id) const override { return checks.count(id) && checks.at(id); }
  void SetChecked(int id, bool v) override { checks[id] = v; }
  int Position(int) const override { return 0; }
  void SetPosition(int, int) override {}
  int ListIndex(int) const override { return -1; }
  void SetListIndex(int, int) override {}
  std::string Text(int) const override { return ""; }
  void SetText(int, const std::string&) override {}
};

// The controls shown disabled with the 3.x engine are those whose settings
// its binding drops, each with a reason in its tool tip: ticked while a
// channel plays, each one's variable is logged as having no counterpart.
TEST(Libvlc3Binding, TheSettingsShownInertAreThoseTheBindingIgnores) {
  const std::map<int, std::string> dropped = {
      {kIdMono, "libvlc3: audio-device=1 ignored (no counterpart)"},
      {kIdNoDirectX, "libvlc3: conf::vout=opengl ignored (no counterpart)"},
      {kIdAutoCrop, "libvlc3: conf::autocrop=1 ignored (no counterpart)"},
  };
  std::map<int, std::string> listed;
  for (const InertSetting& s : SettingsTheThreeXEngineIgnores()) {
    listed[s.controlId] = "";
    EXPECT_FALSE(s.tip.empty()) << s.controlId;
  }
  EXPECT_EQ(listed.size(), dropped.size());
  for (const auto& [id, line] : dropped) {
    EXPECT_TRUE(listed.count(id)) << "control " << id << " is not shown as inert";
    LogCapture log;
    Engine3Rig r;
    SelectChannel(r.st, 1, Sender::Control);
    r.fake.state = libvlc_Playing;
    EXPECT_FALSE(log.Has(line)) << line;
    CheckBoxes boxes;
    ShowSettingsValues(boxes, r.st, SettingsHolder::Globals);
    ShowSettingsValues(boxes, r.st, SettingsHolder::Channel);
    boxes.checks[id] = true;
    SettingsControlEvent(boxes, r.st, id, SettingsEvent::Clicked);
    EXPECT_TRUE(log.Has(line)) << line;
  }
}

TEST(Libvlc3Binding, AnEngineThatRefusesToStartIsNotLoadedAndTakesNoCalls) {
  FakeLibvlc fake;
  fake.refuseInstance = true;
  g_fake = &fake;
  const Libvlc3Api api = FakeApi();
  {
    LogCapture log;
    Libvlc3Engine e(api, {}, nullptr);
    EXPECT_FALSE(e.Loaded());
    EXPECT_EQ(e.Play(), engine_abi::kNoObject);
    EXPECT_EQ(e.AddTarget("udp://@239.0.0.1:1234", engine_abi::kModeAppendAndGo, 0), engine_abi::kNoObject);
    EXPECT_EQ(e.IsPlaying(), 0);
    EXPECT_EQ(e.TimeGet(), -20);
    EXPECT_TRUE(log.Has("libvlc3: no instance: refused"));
  }
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"new --no-video-title-show --quiet"}));
  g_fake = nullptr;
}

TEST(Libvlc3Binding, ResolvesEveryEntryPointAndTellsTheInterfacesApart) {
  const Libvlc3Api fake = FakeApi();
  // A lookup that knows every name but one.
  std::map<std::string, void*> exported;
#define STREVO_TEST_EXPORT(name) exported[#name] = reinterpret_cast<void*>(fake.name);
  STREVO_LIBVLC3_ENTRY_POINTS(STREVO_TEST_EXPORT)
#undef STREVO_TEST_EXPORT
  auto lookup = [&](const char* n) -> void* {
    auto it = exported.find(n);
    return it == exported.end() ? nullptr : it->second;
  };
  Libvlc3Api api;
  EXPECT_TRUE(ResolveLibvlc3(api, lookup));
  EXPECT_EQ(api.libvlc_video_take_snapshot, fake.libvlc_video_take_snapshot);
  EXPECT_TRUE(OffersLibvlc3(lookup));
  exported.erase("libvlc_audio_set_track");
  EXPECT_FALSE(ResolveLibvlc3(api, lookup));
  static char create;
  exported["VLC_Create"] = &create;  // a 0.8 engine that also has libvlc_new
  EXPECT_FALSE(OffersLibvlc3(lookup));
}

}  // namespace
}  // namespace strevo
