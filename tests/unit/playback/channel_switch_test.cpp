#include <gtest/gtest.h>

#include "fakes.h"
#include "playback/channel_switch.h"
#include "playback/recording.h"
#include "playback/settings_map.h"

namespace strevo {
namespace {
using test::LogCapture;
using test::Rig;

TEST(GoPlayMrl, EngineCallsInTheirOrder) {
  LogCapture log;
  Rig r(3);
  r.st.globals.iface = "127.0.0.1:4022";
  SelectChannel(r.st, 2, Sender::Control);
  const auto& c = r.engine.calls;
  // The six first calls, then the last two: a shorter list fails here.
  ASSERT_GE(c.size(), 8u);
  EXPECT_EQ(c[0], "VLC_Stop");
  EXPECT_EQ(c[1], "VLC_PlaylistClear");
  EXPECT_EQ(c[2], "conf::demux=s:");
  EXPECT_EQ(c[3], "conf::demuxdump-file=s:");
  EXPECT_EQ(c[4], "conf::sout=s:");
  EXPECT_EQ(c[5], "conf::miface-addr=s:");
  EXPECT_EQ(c[c.size() - 2], "conf::timeshift-granularity=i:1024");
  EXPECT_EQ(c.back(), "VLC_AddTarget http://127.0.0.1:4022/udp/239.0.0.2:1234 12 -666");
  EXPECT_EQ(r.st.currentMrl, "udp://@239.0.0.2:1234");
  EXPECT_EQ(r.host.label, "Ch2");
  EXPECT_EQ(r.host.events.back(), "osd guide");
  EXPECT_NE(std::find(r.host.events.begin(), r.host.events.end(), "start-play timer"), r.host.events.end());
  const auto& lines = LogCapture::Lines();
  auto at = [&](const std::string& s) {
    auto it = std::find(lines.begin(), lines.end(), s);
    EXPECT_NE(it, lines.end()) << "no log line \"" << s << "\"";
    return it - lines.begin();
  };
  EXPECT_LT(at("begin goplaymrl idx=2"), at("player_stop"));
  EXPECT_LT(at("mrl assigned \"udp://@239.0.0.2:1234\""), at("rec vlc setvars to empty done"));
  EXPECT_LT(at("rec vlc setvars to empty done"), at("applyglobals done"));
  EXPECT_LT(at("dx or vlc mrl sent"), at("end goplaymrl"));
}

TEST(GoPlayMrl, PausesThreeHundredMillisecondsAfterTheStopKeepingTheWindowsAlive) {
  Rig r(2);
  r.host.messagesAt = {40, 120, 299};
  std::vector<long long> pumpedAt;
  r.host.onPump = [&] {
    pumpedAt.push_back(r.host.clock);
    EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_Stop", "VLC_PlaylistClear"}));
  };
  SelectChannel(r.st, 2, Sender::Control);
  // Every message is handled when it comes, and the pause ends on time.
  EXPECT_EQ(pumpedAt, (std::vector<long long>{0, 40, 120, 299, 300}));
  EXPECT_EQ(r.host.clock, 300);
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget udp://@239.0.0.2:1234 12 -666");
}

TEST(GoPlayMrl, PreviousChannelIndex) {
  Rig r(6);
  SelectChannel(r.st, 5, Sender::Control);
  EXPECT_EQ(r.st.previousChannel, 0);  // left the pseudo-channel
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.st.previousChannel, 5);
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.st.previousChannel, 5);
  BackToPreviousChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 5);
  EXPECT_EQ(r.st.previousChannel, 2);
}

TEST(GoPlayMrl, BackFromAnOpenedFileIsRefusedQuietly) {
  Rig r(3);
  r.host.openFileResult = true;
  r.host.openFileName = "C:\\clips\\a.ts";
  SelectChannel(r.st, 2, Sender::Control);
  OpenCommand(r.st);
  EXPECT_EQ(r.st.currentMrl, "C:\\clips\\a.ts");
  SelectChannel(r.st, 1, Sender::Control);
  EXPECT_EQ(r.st.previousChannel, -1);
  r.engine.calls.clear();
  BackToPreviousChannel(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_EQ(r.st.channelSelectorIndex, 1);
}

TEST(ChannelSteps, NextAndPreviousWrapPastThePseudoChannel) {
  Rig r(10);
  r.st.channelSelectorIndex = 10;
  NextChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 1);
  PreviousChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 10);
  PreviousChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 9);
  r.st.channelSelectorIndex = 0;
  NextChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 1);
}

TEST(ChannelSteps, AListWithoutChannelsHasNothingToStepTo) {
  Rig r(0);
  NextChannel(r.st);
  PreviousChannel(r.st);
  EXPECT_EQ(r.st.channelSelectorIndex, 0);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_TRUE(r.host.events.empty());
}

TEST(GoPlayMrl, ChannelRecordOrDefaultRecordOrNeither) {
  Rig r(2);
  r.st.configList = {"?|0|111|100|0|100|100|0|None|0|||||0||0|2|1|",
                     "udp://@239.0.0.2:1234|1|50|100|0|100|100|2|4:3|0|||||0||0|0|0|"};
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.st.channel.contrast, 50);
  EXPECT_EQ(r.engine.Var("conf::aspect-ratio"), "s:4:3");
  SelectChannel(r.st, 1, Sender::Control);  // no record of its own: "?"
  EXPECT_EQ(r.st.channel.contrast, 111);
  EXPECT_EQ(r.st.channel.audioTrackIndex, 3);
  EXPECT_EQ(r.engine.Var("conf::audio-track"), "i:2");
  // Channel 1 now has a record of its own, a copy of the default.
  EXPECT_EQ(FindRecordIndex(r.st.configList, "udp://@239.0.0.1:1234"), 2);

  Rig bare(1);
  bare.st.channel.contrast = 77;
  bare.st.channel.audioTrackIndex = 5;
  SelectChannel(bare.st, 1, Sender::Control);
  EXPECT_EQ(bare.st.channel.contrast, 77);
  EXPECT_EQ(bare.st.channel.audioTrackIndex, 1);
}

TEST(GoPlayMrl, SelectingWhileRecordingDoesNothing) {
  Rig r(3);
  SelectChannel(r.st, 1, Sender::Control);
  r.st.recording = true;
  r.engine.calls.clear();
  r.host.events.clear();
  SelectChannel(r.st, 3, Sender::Control);
  NextChannel(r.st);
  OpenCommand(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_TRUE(r.host.events.empty());
  EXPECT_EQ(r.st.channelSelectorIndex, 1);
  EXPECT_TRUE(r.st.recording);
}

TEST(GoPlayMrl, TheRecordButtonKeepsItsRecordingVariables) {
  Rig r(2);
  r.st.recording = true;
  r.st.channelSelectorIndex = 2;
  goplaymrl(r.st, Sender::RecordButton);
  EXPECT_TRUE(r.st.recording);
  EXPECT_EQ(r.engine.Count("conf::sout"), 0);
  EXPECT_EQ(r.engine.Count("conf::demux"), 0);
  goplaymrl(r.st, Sender::Control);
  EXPECT_FALSE(r.st.recording);
  EXPECT_EQ(r.engine.Var("conf::sout"), "s:");
}

TEST(GoPlayMrl, PriorityFollowsTheSettingAndTheSender) {
  Rig r(1);
  r.st.channelSelectorIndex = 1;
  goplaymrl(r.st, Sender::RecordButton);
  EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "priority high"), 0);
  r.st.globals.recPriority = true;
  goplaymrl(r.st, Sender::RecordButton);
  goplaymrl(r.st, Sender::Control);
  EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "priority high"), 1);
  EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "priority normal"), 1);
}

TEST(PseudoChannel, CancelledDialogLeavesThePlayerStopped) {
  LogCapture log;
  Rig r(2);
  OpenCommand(r.st);
  EXPECT_EQ(r.engine.calls, (std::vector<std::string>{"VLC_Stop", "VLC_PlaylistClear"}));
  EXPECT_EQ(r.st.currentMrl, "?");
  EXPECT_FALSE(log.Has("end goplaymrl"));
}

TEST(PseudoChannel, TypedStreamAddressesLoseTheDialogsFolder) {
  Rig r(1);
  r.host.openFileResult = true;
  r.host.openFileName = "C:\\Users\\me\\udp://@239.1.1.1:1234";
  OpenCommand(r.st);
  EXPECT_EQ(r.st.currentMrl, "udp://@239.1.1.1:1234");
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget udp://@239.1.1.1:1234 12 -666");
}

TEST(PseudoChannel, WithoutASenderNothingIsAskedNorPlayed) {
  Rig r(1);
  FirstPlayback(r.st, "");  // nothing selected at start-up
  EXPECT_TRUE(r.engine.calls.empty());
  r.st.channelSelectorIndex = 0;
  goplaymrl(r.st, Sender::None);
  EXPECT_EQ(r.engine.Count("VLC_AddTarget"), 0);
  EXPECT_EQ(std::count(r.host.events.begin(), r.host.events.end(), "open dialog"), 0);
}

TEST(DroppedFiles, OnlyExistingFilesPlayAndThePendingAddressIsConsumed) {
  Rig r(1);
  r.host.existingFiles = {"C:\\a.ts"};
  DropFile(r.st, "C:\\b.ts\r\nC:\\a.ts");
  EXPECT_TRUE(r.st.pendingAddress.empty());
  EXPECT_TRUE(r.engine.calls.empty());
  DropFile(r.st, "C:\\a.ts\r\n");
  EXPECT_EQ(r.st.currentMrl, "C:\\a.ts");
  EXPECT_TRUE(r.st.pendingAddress.empty());
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget C:\\a.ts 12 -666");
}

TEST(FirstPlayback, FileFromTheCommandLineOrTheSelectedChannel) {
  Rig r(2);
  FirstPlayback(r.st, "C:\\movie.ts");
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget C:\\movie.ts 12 -666");
  Rig s(2);
  s.st.channelSelectorIndex = 2;
  FirstPlayback(s.st, "");
  EXPECT_EQ(s.engine.calls.back(), "VLC_AddTarget udp://@239.0.0.2:1234 12 -666");
}

TEST(StartPlayTimer, ReappliesMonoOnTheAudioOutput) {
  Rig r(1);
  r.engine.playing = 1;
  StartPlayTimerFired(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  r.st.channel.mono = true;
  StartPlayTimerFired(r.st);
  EXPECT_EQ(r.engine.Var("aout.audio-device"), "i:1");
}

TEST(GoPlayMrl, ASwitchAskedForDuringThePauseJoinsTheRunningOne) {
  Rig r(3);
  r.host.onPump = [&] { SelectChannel(r.st, 3, Sender::Control); };
  SelectChannel(r.st, 1, Sender::Control);
  r.host.onPump = nullptr;
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 1);
  EXPECT_EQ(r.engine.Count("VLC_AddTarget"), 1);
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget udp://@239.0.0.3:1234 12 -666");
}

// The pause processes messages: a Stop handled there must stop what the
// switch then starts, not be undone by it; and the commands that waited run
// in the order they came.
TEST(GoPlayMrl, CommandsGivenDuringThePauseRunAfterTheSwitchInOrder) {
  LogCapture log;
  Rig r(3);
  bool once = true;
  r.host.onPump = [&] {
    if (!std::exchange(once, false)) return;
    StopButton(r.st);
    MuteButton(r.st);
  };
  SelectChannel(r.st, 2, Sender::Control);
  const int added = r.engine.IndexOf("VLC_AddTarget udp://@239.0.0.2:1234");
  ASSERT_GE(added, 0);
  ASSERT_GE(r.engine.calls.size(), 3u);
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 2);
  EXPECT_EQ(r.engine.calls[r.engine.calls.size() - 2], "VLC_Stop");
  EXPECT_LT(added, static_cast<int>(r.engine.calls.size()) - 2);
  EXPECT_TRUE(r.st.muteIndicatorVisible);
  EXPECT_TRUE(log.Has("command waits for the one under way"));
}

// The record button pressed in the pause: the recording starts after the
// switch, so its chain is the one the engine plays with, and the flag shows
// a recording that really writes.
TEST(GoPlayMrl, RecordPressedDuringTheSwitchRecordsTheNewChannel) {
  LogCapture log;
  Rig r(3);
  r.st.globals.capDir = "C:\\rec\\";
  bool once = true;
  r.host.onPump = [&] {
    if (std::exchange(once, false)) btnrec(r.st);
  };
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_TRUE(r.st.recording);
  const auto& c = r.engine.calls;
  int lastSout = -1, lastAdd = -1;
  for (int i = 0; i < static_cast<int>(c.size()); ++i) {
    if (c[i].rfind("conf::sout=", 0) == 0) lastSout = i;
    if (c[i].rfind("VLC_AddTarget", 0) == 0) lastAdd = i;
  }
  ASSERT_GE(lastSout, 0);
  EXPECT_NE(c[lastSout], "conf::sout=s:") << "the switch cleared the recording chain";
  EXPECT_LT(lastSout, lastAdd);
  EXPECT_EQ(c[lastAdd], "VLC_AddTarget udp://@239.0.0.2:1234 12 -666");
  const auto& lines = LogCapture::Lines();
  const auto firstEnd = std::find(lines.begin(), lines.end(), "end goplaymrl");
  EXPECT_LT(firstEnd, std::find(lines.begin(), lines.end(), "begin btnrec"));
}

TEST(GoPlayMrl, TunerAddressesAreReducedForTheEngine) {
  Rig r;
  r.st.channelTitles.push_back("TV");
  r.st.channelMrls.push_back("dshow://12");
  SelectChannel(r.st, 1, Sender::Control);
  EXPECT_EQ(r.engine.Var("conf::dshow-tuner-channel"), "i:12");
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget dshow:// 12 -666");
}

TEST(GoPlayMrl, AnEmptyAddressStopsAndPlaysNothing) {
  Rig r;
  r.st.channelTitles.push_back("broken");
  r.st.channelMrls.push_back("");
  SelectChannel(r.st, 1, Sender::Control);
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 1);
  EXPECT_EQ(r.engine.Count("VLC_AddTarget"), 0);
}

}  // namespace
}  // namespace strevo

namespace strevo {
namespace {

TEST(GoPlayMrl, ListEntryOptionsGoWithTheirAddressOnly) {
  test::Rig r(3);
  r.st.channelTags.resize(4);
  r.st.channelTags[2].options = {"http-user-agent=Box/1.0 (TV)", "network-caching=3000"};
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.engine.calls.back(),
            "VLC_AddTarget udp://@239.0.0.2:1234 12 -666 :http-user-agent=Box/1.0 (TV) :network-caching=3000");
  SelectChannel(r.st, 3, Sender::Control);
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget udp://@239.0.0.3:1234 12 -666");
  // A file opened through the pseudo-channel has no options, and a list read
  // without its tags has none at all.
  r.st.pendingAddress = "C:\\clip.ts";
  SelectChannel(r.st, 0, Sender::MainWindow);
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget C:\\clip.ts 12 -666");
  r.st.channelTags.clear();
  SelectChannel(r.st, 2, Sender::Control);
  EXPECT_EQ(r.engine.calls.back(), "VLC_AddTarget udp://@239.0.0.2:1234 12 -666");
}

}  // namespace
}  // namespace strevo
