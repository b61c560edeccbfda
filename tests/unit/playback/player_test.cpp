#include <gtest/gtest.h>

#include "fakes.h"
#include "playback/player.h"

namespace strevo {
namespace {
using test::FakeEngine;
using test::LogCapture;
using test::Rig;

TEST(SetVar, ValueTypesFollowTheNameAndTheText) {
  Rig r;
  player_setvar(r.st, "conf::gamma", "1,5");
  player_setvar(r.st, "conf::contrast", "-0.25");
  player_setvar(r.st, "conf::audio-track", "-1");
  player_setvar(r.st, "conf::dshow-caching", "200");
  player_setvar(r.st, "conf::sout", "");
  player_setvar(r.st, "conf::hue", 180);
  EXPECT_EQ(r.engine.Var("conf::gamma"), "f:1.5");
  EXPECT_EQ(r.engine.Var("conf::contrast"), "f:-0.25");
  EXPECT_EQ(r.engine.Var("conf::audio-track"), "s:-1");
  EXPECT_EQ(r.engine.Var("conf::dshow-caching"), "i:200");
  EXPECT_EQ(r.engine.Var("conf::sout"), "s:");
  EXPECT_EQ(r.engine.Var("conf::hue"), "i:180");
}

TEST(SetVar, DigitsBeyondTheIntegerRangeGoAsText) {
  EXPECT_EQ(EngineValueFor("conf::x", "2147483647").type, EngineValue::Type::Int);
  const EngineValue big = EngineValueFor("conf::x", "4294967296");
  EXPECT_EQ(big.type, EngineValue::Type::String);
  EXPECT_EQ(big.s, "4294967296");
}

TEST(SetVar, LogsEveryCallEvenWithoutEngine) {
  LogCapture log;
  PlayerState st;  // no engine: id -1
  player_setvar(st, "conf::sout", "x");
  player_play(st);
  player_stop(st);
  EXPECT_TRUE(log.Has("player_setvar conf::sout=x"));
  EXPECT_TRUE(log.Has("player_play"));
  EXPECT_TRUE(log.Has("player_stop"));
  EXPECT_FALSE(player_isplaying(st));
}

TEST(DirectShowMode, WithoutAGraphOnlyLogs) {
  LogCapture log;
  Rig r;
  r.st.directShowMode = true;
  player_togglemute(r.st);
  player_setvar(r.st, "conf::sout", "");
  player_play(r.st);
  player_settime(r.st, 10);
  player_setvolume(r.st, 30);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_TRUE(log.Has("player_togglemute"));
  EXPECT_TRUE(log.Has("player_settime =10"));
  EXPECT_TRUE(log.Has("player_setvolume =30"));
  EXPECT_EQ(player_gettime(r.st), -20);
  EXPECT_EQ(player_getlength(r.st), -20);
}

TEST(Volume, EngineScaleIsTwiceTheSliderAndDirectShowIsLogarithmic) {
  Rig r;
  player_setvolume(r.st, 0);
  player_setvolume(r.st, 37);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_VolumeSet 0", "VLC_VolumeSet 74"}));
  EXPECT_EQ(DirectShowVolume(0), -10000);
  EXPECT_EQ(DirectShowVolume(50), -1296);
  EXPECT_EQ(DirectShowVolume(100), 2);
}

TEST(PumpMessages, OneRoundPerTwentyMilliseconds) {
  Rig r;
  pump_messages_for(r.st, 19);
  EXPECT_EQ(r.host.pumps, 0);
  pump_messages_for(r.st, 300);
  EXPECT_EQ(r.host.pumps, 15);
  EXPECT_EQ(r.host.sleptMs, 15);
}

TEST(SleepPumping, LastsItsTimeWhetherMessagesComeOrNot) {
  Rig r;
  std::vector<long long> pumpedAt;
  r.host.onPump = [&] { pumpedAt.push_back(r.host.clock); };
  SleepPumping(r.st, 300);
  EXPECT_EQ(pumpedAt, (std::vector<long long>{0, 300}));

  // Handling a message takes time of its own: the pause waits only for what
  // is left, and ends as soon as the time is up.
  pumpedAt.clear();
  r.host.clock = 1000;
  r.host.onPump = [&] {
    pumpedAt.push_back(r.host.clock);
    r.host.clock += 120;
  };
  SleepPumping(r.st, 300);
  EXPECT_EQ(pumpedAt, (std::vector<long long>{1000, 1300}));
  EXPECT_EQ(r.host.clock, 1420);

  pumpedAt.clear();
  SleepPumping(r.st, 0);
  EXPECT_TRUE(pumpedAt.empty());
}

TEST(SleepPumping, EndsWithAHostThatKeepsNoClock) {
  struct Bare : PlayerHost {
    int pumps = 0;
    void PumpMessages() override { ++pumps; }
  } host;
  PlayerState st;
  st.host = &host;
  SleepPumping(st, 300);
  EXPECT_EQ(host.pumps, 2);
}

TEST(Buttons, PlayEmptiesRecordingVariablesThenPlaysAndArmsTheTimer) {
  Rig r;
  PlayButton(r.st);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"conf::demux=s:", "conf::demuxdump-file=s:", "conf::sout=s:",
                                                      "VLC_Play"}));
  EXPECT_EQ(r.host.pumps, 10);
  EXPECT_EQ(r.host.events, (std::vector<std::string>{"start-play timer"}));
}

TEST(Buttons, PauseIsRefusedWhileRecordingAndStopEndsTheRecording) {
  Rig r;
  r.st.recording = true;
  PauseButton(r.st);
  r.engine.playing = 1;
  PlayPauseCommand(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  StopButton(r.st);
  EXPECT_FALSE(r.st.recording);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_Stop"}));
  PlayPauseCommand(r.st);
  r.engine.playing = 0;
  PlayPauseCommand(r.st);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_Stop", "VLC_Pause", "VLC_Play"}));
}

TEST(Buttons, SeekOnlyWithinAKnownLength) {
  Rig r;
  r.engine.time = 100;
  SeekBy(r.st, 5);  // live stream: length 0
  EXPECT_TRUE(r.engine.calls.empty());
  r.engine.length = 600;
  SeekBy(r.st, -5);
  SeekBy(r.st, 5);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_TimeSet 95", "VLC_TimeSet 105"}));
}

TEST(Buttons, ThePositionBarSeeksOnlyWhatPlaysWithALength) {
  Rig r;
  r.engine.length = 600;
  SeekTo(r.st, 300);  // stopped: nothing to seek in
  r.engine.playing = 1;
  r.engine.length = 0;
  SeekTo(r.st, 300);  // live stream
  r.engine.length = 600;
  SeekTo(r.st, 300);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_TimeSet 300"}));
}

TEST(Buttons, SpeedKeysOnlyInEngineMode) {
  Rig r;
  SpeedFaster(r.st);
  r.st.directShowMode = true;
  SpeedSlower(r.st);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_SpeedFaster"}));
}

TEST(Volume, MuteIndicatorDecidesWhetherTheVolumeIsSent) {
  Rig r;
  r.st.globals.volume = 50;
  r.engine.volume = 100;
  MuteButton(r.st);  // muted
  EXPECT_TRUE(r.st.muteIndicatorVisible);
  ApplyVolume(r.st, Sender::MainWindow);  // the main window keeps the mute
  EXPECT_EQ(r.engine.Count("VLC_VolumeSet"), 0);
  ApplyVolume(r.st, Sender::Control);  // slider 50 differs from engine's 100: unmute
  EXPECT_FALSE(r.st.muteIndicatorVisible);
  EXPECT_EQ(r.engine.calls.back(), "VLC_VolumeSet 100");
  EXPECT_EQ(r.host.tooltip, "Громкость - 50%");
}

TEST(Position, ClockTextAndLiveAnimation) {
  EXPECT_EQ(FormatClock(0), "00:00");
  EXPECT_EQ(FormatClock(65), "01:05");
  EXPECT_EQ(FormatClock(3599), "59:59");
  EXPECT_EQ(FormatClock(3600), "1:00:00");
  EXPECT_EQ(FormatClock(3725), "1:02:05");
  EXPECT_EQ(FormatClock(100 * 3600 + 59), "100:00:59");
  EXPECT_EQ(LiveText(1, 800), "(Live)");
  EXPECT_EQ(LiveText(8, 800), "Live");
  EXPECT_EQ(LiveText(7, 800), "( ( ( (Live) ) ) )");
  EXPECT_EQ(LiveText(3, 400), "(Live)");  // 3 * 400 / 800 = 1
}

TEST(Position, DisplayFollowsLengthTimeAndPlayState) {
  Rig r;
  r.engine.length = 5400;
  r.engine.time = 65;
  PositionDisplay d = UpdatePositionDisplay(r.st, 800);
  EXPECT_EQ(d.label, "01:05 / 1:30:00");
  EXPECT_EQ(d.barRange, 5400);
  EXPECT_EQ(d.barPosition, 65);
  EXPECT_EQ(d.menuText, ">> 01:05 / 1:30:00");
  r.engine.length = 190;
  r.engine.time = 7;
  EXPECT_EQ(UpdatePositionDisplay(r.st, 800).label, "00:07 / 03:10");
  r.engine.length = 3725;

  r.engine.length = 0;
  r.engine.playing = 1;
  d = UpdatePositionDisplay(r.st, 800);
  EXPECT_EQ(d.label, "(Live)");
  EXPECT_EQ(d.menuText, ">> Live");
  EXPECT_EQ(d.barPosition, 1);
  d = UpdatePositionDisplay(r.st, 800);
  EXPECT_EQ(d.label, "( Live )");

  r.engine.playing = 0;
  r.engine.time = -1;
  d = UpdatePositionDisplay(r.st, 800);
  EXPECT_EQ(d.label, "0:00:00 / 0:00:00");
  EXPECT_EQ(d.barRange, 1);
  EXPECT_EQ(d.barPosition, 0);
}

}  // namespace
}  // namespace strevo
